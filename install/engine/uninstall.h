// The "/u" removal, and the removal of the deployed files that is also the
// clean-up after a failed install step.
#pragma once
#include <windows.h>

// What a removal came to; the caller reports it.
enum class UninstallResult {
    Removed,               // everything went or goes at the restart
    PathsTooLong,          // a base path did not fit its buffer: nothing removed
    SetupToolNotStarted,   // the driver-setup tool could not be started: nothing removed
    SetupToolFailed,       // the driver-setup tool exited with 2: nothing removed
    PackageRemovalFailed,  // the Windows Installer package's removal failed
};

// The whole removal: by the Windows Installer package's own removal where
// the package is installed (then what it left in the install folder goes,
// now or at the restart), else the driver (the setup tool's removal on the
// NT family), the uninstall entry, the driver's registry entries, the
// deployed files, the log-on value and stale entries of the package.
UninstallResult UninstallPackage();
// The driver-setup tool's removal run: Removed for every exit code but 2,
// which is in *exitCode.
UninstallResult RemoveDriverWithSetupTool(DWORD* exitCode);
void RemoveDriverEntries();
// Also takes back the restart queue's entries for the package's targets,
// first.
void RemoveDeployedFiles();
BOOL EmptyAndRemoveDirectory(const char* directory);
