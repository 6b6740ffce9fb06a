// Asks the touchscreen driver to deliver the next touch as a right-button
// click, and whether that request is still pending.
#pragma once
#include <windows.h>

// 0 on success, else the Windows error code of the failed open or request.
DWORD RequestRightButtonTouch(bool enable);
// True while the driver still waits for the touch to turn into a right click;
// false when it has been delivered or the driver can't be asked.
bool IsRightButtonPending();
