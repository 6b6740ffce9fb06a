// The "/u" removal, the clean-up after a failed install step, and the restart.
#pragma once
#include <windows.h>

// 0 when the removal ran; -1 when the driver-setup tool could not be started
// or reported failure.
int UninstallPackage();
void RemoveDriverEntries();
// The driver-setup tool's removal run from the ModuleDirectory, hidden and
// waited for. False when it could not be started; otherwise its exit code.
bool RunDriverSetupRemoval(DWORD* exitCode);
// Takes out of the restart queue every entry for a package target (in the
// install directory and the system directories): replacements, whose staged
// copies are deleted (at the restart when in use), and deletions.
void TakeBackQueuedPackageEntries();
// Also takes back the queued entries, first.
void RemoveDeployedFiles();
BOOL EmptyAndRemoveDirectory(const char* directory);
LONG DeleteRegistrySubkey(HKEY root, const char* parentPath, const char* subkeyName);
void RestartSystem(HWND owner);
