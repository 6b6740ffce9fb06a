// The installer's base paths and the copy of the package files.
#pragma once
#include <windows.h>

// Directory of the running Install.exe, without a trailing backslash.
extern char ModuleDirectory[MAX_PATH];
// The Windows directory as GetWindowsDirectoryA reports it.
extern char WindowsDirectory[MAX_PATH];
// Name of the InstallDirectory under the WindowsDirectory.
extern const char InstallDirectoryName[];  // "QuortouchUSB"

struct PackageFileRow {
    char NameField[32];
    char NtTarget[64];
    char ConsumerTarget[64];
};
constexpr int PackageFileCount = 10;
extern const PackageFileRow PackageFileTable[PackageFileCount];

// The second target of a row for the running family, "" when none.
const char* SecondTarget(const PackageFileRow& row);

void ComputeInstallPaths();
// 0 when every copy succeeded; -1 at the first failed copy, with that copy's
// last-error code (206 when a path would not fit its buffer).
int DeployPackageFiles();
