// The package files: their table, their copy into the install directory and
// the system directories, and what the restart queue holds for them.
#pragma once
#include <windows.h>

struct PackageFileRow {
    char NameField[32];
    char NtTarget[64];
    char ConsumerTarget[64];
};
constexpr int PackageFileCount = 10;
extern const PackageFileRow PackageFileTable[PackageFileCount];

// The second target of a row for the running family, "" when none.
const char* SecondTarget(const PackageFileRow& row);

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
// Takes out of the restart queue every entry for a package target (in the
// install directory and the system directories): replacements, whose staged
// copies are deleted (at the restart when in use), and deletions.
void TakeBackQueuedPackageEntries();
