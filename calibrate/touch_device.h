// The link to the touchscreen driver's device.
#pragma once
#include <windows.h>

// The open touch device; INVALID_HANDLE_VALUE until OpenTouchDevice succeeds.
// Never closed: it lives until the process ends.
extern HANDLE DeviceHandle;

// Opens the device for the NT and older consumer families (OsClass 3..10
// except 5). 0 when the handle is valid; -1 for OsClass 0 (no message);
// otherwise shows "Open driver fail(<code>)!" and returns the last-error code,
// or -2 when that code is 0.
long long OpenTouchDevice();

// The box of a failed device link: "Open driver fail(<code>)!", caption
// "Quortouch Calibration", error icon. Also shown when the driver's parameter
// key is missing, with the registry's code.
void ReportOpenDriverFailure(DWORD code);

// Asks the driver for the raw position of the touch just made. True when the
// read succeeded and *rawWord holds the driver's word; false when it failed,
// with *rawWord left 0.
bool ReadRawPoint(DWORD* rawWord);

// Asks the driver to re-read the calibration values; does nothing when the
// device isn't open. The result is ignored.
void SendReloadCalibration();
