#include "calibration_app.h"

#include "calibration_resources.h"
#include "calibration_window.h"
#include "message_loop.h"
#include "os_class.h"
#include "parameter_store.h"
#include "touch_device.h"

int ScreenWidth = 0;
int ScreenHeight = 0;
HBITMAP CrossBitmap = nullptr;
HBITMAP CheckMarkBitmap = nullptr;
HBITMAP FingerBitmap = nullptr;

const char CalibrationClassName[] = "Ostrel";

static const char RunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Runonce";
static const char RunOnceValueName[] = "Vessatouch";

// Full access to the parameter key stands for administrator rights, or for a
// user whose access the installation widened. 0 when the tool may go on;
// otherwise the open's status: the key is missing (the driver isn't
// installed, or its removal waits for a restart), or it denies full access.
static LONG ProbeParameterKey()
{
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, ParameterKey, 0, KEY_ALL_ACCESS, &key);
    if (status == ERROR_SUCCESS)
        RegCloseKey(key);
    return status;
}

static void RemoveRunOnceEntry()
{
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, RunOnceKey, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, RunOnceValueName);
    RegCloseKey(key);
}

static bool RegisterCalibrationClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = CalibrationWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = CalibrationClassName;
    return RegisterClassA(&windowClass) != 0;
}

static void MeasureScreen()
{
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    ScreenWidth = GetDeviceCaps(display, HORZRES);
    ScreenHeight = GetDeviceCaps(display, VERTRES);
    DeleteDC(display);
}

static void LoadCalibrationBitmaps(HINSTANCE instance)
{
    CrossBitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_CROSS));
    CheckMarkBitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_CHECK_MARK));
    FingerBitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_FINGER));
}

int RunCalibrationTool(HINSTANCE instance, int showCommand)
{
    OsClass = ComputeOsClass();

    // Without its key the tool would calibrate into nothing (and a restore
    // would create the key again): it refuses as the device open would.
    LONG keyStatus = ProbeParameterKey();
    if (keyStatus == ERROR_FILE_NOT_FOUND || keyStatus == ERROR_PATH_NOT_FOUND) {
        ReportOpenDriverFailure(static_cast<DWORD>(keyStatus));
        return -1;
    }
    if (keyStatus != ERROR_SUCCESS) {
        MessageBoxA(nullptr, "Please run as administrator", "Error", MB_OK);
        return -1;
    }
    if (OpenTouchDevice() != 0)
        return -1;
    RemoveRunOnceEntry();

    if (!RegisterCalibrationClass(instance)) {
        MessageBoxA(nullptr, "Program requires Windows NT!", CalibrationClassName, MB_ICONERROR | MB_OK);
        return 0;
    }
    MeasureScreen();
    LoadCalibrationBitmaps(instance);

    HWND window = CreateWindowExA(WS_EX_TOPMOST, CalibrationClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, ScreenWidth,
                                  ScreenHeight, nullptr, nullptr, instance, nullptr);
    // Without a window nothing would ever post the quit message.
    if (window == nullptr)
        return 0;
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    return RunMessagesUntilQuit();
}
