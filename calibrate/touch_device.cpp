#include "touch_device.h"

#include "bounded_format.h"
#include "driver_contract.h"
#include "os_class.h"

HANDLE DeviceHandle = INVALID_HANDLE_VALUE;

long long OpenTouchDevice()
{
    if (OsClass == 0)
        return -1;
    if (OsClass >= 3 && OsClass <= 10 && OsClass != 5)
        DeviceHandle = CreateFileA(TOUCH_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (DeviceHandle != INVALID_HANDLE_VALUE)
        return 0;

    DWORD code = GetLastError();
    ReportOpenDriverFailure(code);
    return code == 0 ? -2 : static_cast<long long>(code);
}

void ReportOpenDriverFailure(DWORD code)
{
    char text[256];
    FormatInto(text, "Open driver fail(%d)!", static_cast<int>(code));
    MessageBoxA(nullptr, text, "Quortouch Calibration", MB_ICONERROR | MB_OK);
}

bool ReadRawPoint(DWORD* rawWord)
{
    *rawWord = 0;
    DWORD returned = 0;
    if (DeviceIoControl(DeviceHandle, IOCTL_READ_RAW_POINT, nullptr, 0, rawWord, sizeof *rawWord, &returned,
                        nullptr))
        return true;
    // A failed read is never a touch, whatever the error code; the word it
    // may have left behind is not a position.
    *rawWord = 0;
    return false;
}

void SendReloadCalibration()
{
    if (DeviceHandle == INVALID_HANDLE_VALUE)
        return;
    DWORD returned = 0;
    DeviceIoControl(DeviceHandle, IOCTL_RELOAD_CALIBRATION, nullptr, 0, nullptr, 0, &returned, nullptr);
}
