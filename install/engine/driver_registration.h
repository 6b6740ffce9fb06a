// Registration of the kernel driver and the registry entries of an install.
#pragma once
#include <windows.h>

// The controller's USB vendor identifier, four hexadecimal digits, in the
// device instance keys "Enum\USB\VID_<id>&PID_0001\INST_<n>" (n 0..9) under
// HKEY_LOCAL_MACHINE on the older consumer family.
extern const char UsbVendorId[];  // "FFF0"
// The mouse double-click settings, under HKEY_LOCAL_MACHINE.
extern const char MouseKey[];  // "Control Panel\Mouse"
// Its values, REG_SZ stored without the terminating zero.
struct MouseValue {
    const char* Name;
    const char* Text;
};
constexpr int MouseValueCount = 3;
extern const MouseValue MouseValueTable[MouseValueCount];

enum UsbEntryDirection { UsbEntriesInstall, UsbEntriesRemove };

// 0 success, -1 failure with the cause as last-error code (206 when a path
// would not fit its buffer; untouched for an unsupported OsClass).
int RegisterDriver();
// 0, or -3 when the uninstall entry's key or the parameter key can neither be
// opened nor created, or the run's journal could not record them. Every key
// and value is recorded in the journal before it is written, the driver's
// service before the setup tool runs, the access list before it is widened.
int WriteDriverEntries();
// RegisterDriver's part on the NT family without the entries, for an
// installer that writes its own: the driver-setup tool's "setup" run from the
// ModuleDirectory, then the parameter key's access list (OsClass 8..10).
// Results as RegisterDriver; -1 for any other family.
int RegisterDriverWithSetupTool();
// The mouse double-click values under HKEY_LOCAL_MACHINE, each recorded in
// the run's journal first; always 0.
int WriteMouseValues();
// 0, or the Windows error code of the failing call.
int CopyOemInf();
void UpdateUsbDeviceEntries(UsbEntryDirection direction);
