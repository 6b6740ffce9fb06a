// Registration of the kernel driver and the registry entries of an install.
#pragma once
#include <windows.h>

// Under HKEY_LOCAL_MACHINE, with the trailing backslash.
extern const char UninstallKey[];  // "Software\Microsoft\Windows\CurrentVersion\Uninstall\VessaTouch\"

enum UsbEntryDirection { UsbEntriesInstall, UsbEntriesRemove };

// 0 success, -1 failure with the cause as last-error code.
int RegisterDriver();
// 0, or -3 when the uninstall entry's key or the parameter key can neither be
// opened nor created.
int WriteDriverEntries();
// 0, or the Windows error code of the failing call.
int CopyOemInf();
void UpdateUsbDeviceEntries(UsbEntryDirection direction);
