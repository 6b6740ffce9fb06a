// What Programs and Features shows beside the uninstall entry's name.
#pragma once
#include <windows.h>

// Writes into the uninstall entry (open as uninstallKey, its path under
// HKLM for the run's journal): "DisplayVersion" (the package
// version), "Publisher", "DisplayIcon" (the installed Install.exe),
// "InstallLocation" (the install directory), "EstimatedSize" (KB of the
// installed files), "NoModify" 1 and "NoRepair" 1. A path that would not fit
// its buffer leaves its value out. Write results are not examined, and the
// thread's last-error code is left as it was.
void WriteUninstallDetails(HKEY uninstallKey, const char* uninstallKeyPath);
// KB, rounded up, of the package files in the install directory and their
// copies in the system directories; missing files count nothing.
DWORD InstalledSizeKb();
