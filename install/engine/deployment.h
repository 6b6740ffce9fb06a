// The installer's base paths and the copy of the package files.
#pragma once
#include <windows.h>

#include "package_layout.h"

// Directory of the running Install.exe, without a trailing backslash ("X:"
// at the root of a drive). Empty when it would not fit the buffer.
extern char ModuleDirectory[MAX_PATH];
// The Windows directory as GetWindowsDirectoryA reports it; empty when it
// would not fit the buffer.
extern char WindowsDirectory[MAX_PATH];
// Name of the InstallDirectory under the WindowsDirectory.
extern const char InstallDirectoryName[];  // INSTALL_FOLDER_NAME

// The package files of package_layout.h as the installer copies them: file
// name, second target on the NT family, second target on the older consumer
// family, each a zero-padded field.
struct PackageFileRow {
    char NameField[32];
    char NtTarget[64];
    char ConsumerTarget[64];
};
constexpr int PackageFileCount = 0 QUORTOUCH_PACKAGE_FILES(QUORTOUCH_COUNT_ROW);
extern const PackageFileRow PackageFileTable[PackageFileCount];

// The second target of a row for the running family, "" when none.
const char* SecondTarget(const PackageFileRow& row);

void ComputeInstallPaths();
// False when ComputeInstallPaths left either base path empty (too long for its
// buffer); the operations that form paths from them then fail with 206.
bool InstallPathsKnown();
// 0 when every copy succeeded; -1 at the first failed copy, with that copy's
// last-error code (206 when a path would not fit its buffer). A target in use
// counts as copied: it is replaced at the next restart.
int DeployPackageFiles();
// The clean-up after a failed install step: puts back what the latest
// DeployPackageFiles found (the old bytes of every file it overwrote) and
// removes what it created (new files, half-copied ones included, its copies
// queued for the restart with their queue entries, the install directory when
// it made it). Files the package does not own stay.
void RemoveFilesOfThisRun();
// After the run went through (or was cancelled, which undoes nothing): takes
// out of the restart queue what earlier runs queued for the targets of this
// run and for the install directory (replacements, with their staged copies,
// and deletions), so that the restart keeps this run's files, and deletes the
// old bytes kept for the clean-up.
void CommitFilesOfThisRun();
