// The installer's base paths: the folder the program runs from, the Windows
// directory and the install directory under it, each formed once.
#pragma once
#include <windows.h>

// Directory of the running Install.exe, without a trailing backslash ("X:"
// at the root of a drive). Empty when it would not fit the buffer.
extern char ModuleDirectory[MAX_PATH];
// The Windows directory as GetWindowsDirectoryA reports it; empty when it
// would not fit the buffer.
extern char WindowsDirectory[MAX_PATH];
// Name of the InstallDirectory under the WindowsDirectory.
extern const char InstallDirectoryName[];  // INSTALL_FOLDER_NAME
// "<WindowsDirectory>\QuortouchUSB"; empty when the WindowsDirectory is, or
// when it would not fit the buffer.
extern char InstallDirectory[MAX_PATH];

// The paths of the running program: the ModuleDirectory from its own file,
// the WindowsDirectory from the platform, and the InstallDirectory from that.
void ComputeInstallPaths();
// The same from given paths (the Windows Installer package's actions take
// them from their data); a path that does not fit leaves its buffer empty.
void SetInstallPaths(const char* moduleDirectory, const char* windowsDirectory);
// False when either base path is empty (too long for its buffer); the
// operations that form paths from them then fail with 206.
bool InstallPathsKnown();
// Sets the last-error code 206 (ERROR_FILENAME_EXCED_RANGE) and gives -1: the
// result of a step whose path would not fit its buffer.
int PathTooLong();

// "<InstallDirectory>\<name>" and "<WindowsDirectory>\<relative>". False,
// with an empty path, when the base path is empty or the path would not fit.
bool FormatInstallPath(char (&path)[MAX_PATH], const char* name);
bool FormatWindowsPath(char (&path)[MAX_PATH], const char* relative);
