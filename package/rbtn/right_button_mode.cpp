#include "right_button_mode.h"

#include "touch_simulator_ioctl.h"

// The device is opened for each request and closed again, so the calibration
// tool can still open it while this program runs.
static HANDLE OpenDevice()
{
    return CreateFileA(TOUCH_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

DWORD RequestRightButtonTouch(bool enable)
{
    HANDLE device = OpenDevice();
    if (device == INVALID_HANDLE_VALUE)
        return GetLastError();
    ULONG mode = enable ? 1 : 0;
    DWORD returned = 0;
    DWORD error = 0;
    if (!DeviceIoControl(device, IOCTL_SIM_SET_RIGHT_BUTTON, &mode, sizeof(mode), nullptr, 0, &returned, nullptr))
        error = GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
    CloseHandle(device);
    return error;
}

bool IsRightButtonPending()
{
    HANDLE device = OpenDevice();
    if (device == INVALID_HANDLE_VALUE)
        return false;
    TOUCH_SIM_STATE state = {};
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(device, IOCTL_SIM_GET_STATE, nullptr, 0, &state, sizeof(state), &returned, nullptr);
    CloseHandle(device);
    return ok && returned >= sizeof(state) && state.RightButtonPending != 0;
}
