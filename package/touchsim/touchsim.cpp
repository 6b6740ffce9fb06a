// Touch-panel simulator library (see touchsim.h).
#include "touchsim.h"

#include <cmath>
#include <cstring>

#include "bounded_format.h"
#include "driver_contract.h"

TouchPanelModel DefaultTouchPanelModel()
{
    return TouchPanelModel();
}

static DWORD RawAxis(double position, int side)
{
    double raw = side > 1 ? position * 65535.0 / (side - 1) : 0.0;
    raw = std::floor(raw + 0.5);
    if (raw < 0)
        return 0;
    if (raw > 65535)
        return 65535;
    return (DWORD)raw;
}

DWORD PanelRawWord(const TouchPanelModel& model, int x, int y, int width, int height)
{
    const double pi = 3.14159265358979323846;
    double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
    double sx = (x - cx) * model.ScaleX, sy = (y - cy) * model.ScaleY;
    double angle = model.RotationDegrees * pi / 180.0;
    double px = cx + sx * std::cos(angle) - sy * std::sin(angle) + model.OffsetX;
    double py = cy + sx * std::sin(angle) + sy * std::cos(angle) + model.OffsetY;
    DWORD rawX = RawAxis(px, width), rawY = RawAxis(py, height);
    if (model.SwapXY) {
        DWORD swapped = rawX;
        rawX = rawY;
        rawY = swapped;
    }
    if (model.InvertX)
        rawX = 65535 - rawX;
    if (model.InvertY)
        rawY = 65535 - rawY;
    return RAW_POINT_WORD(rawX, rawY);
}

HANDLE TouchSimOpenDevice()
{
    return CreateFileA(TOUCH_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

static bool Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize)
{
    DWORD returned = 0;
    return DeviceIoControl(device, code, const_cast<void*>(in), inSize, out, outSize, &returned, nullptr) != FALSE;
}

bool TouchSimSetScreen(HANDLE device, long width, long height)
{
    TOUCH_SIM_POINT size = {width, height};
    return Control(device, IOCTL_SIM_SET_SCREEN, &size, sizeof(size), nullptr, 0);
}

bool TouchSimSetScreenFromSystem(HANDLE device)
{
    return TouchSimSetScreen(device, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool TouchSimSetRawPoint(HANDLE device, DWORD rawWord)
{
    unsigned long word = rawWord;
    return Control(device, IOCTL_SIM_SET_RAW_POINT, &word, sizeof(word), nullptr, 0);
}

bool TouchSimReadRawPoint(HANDLE device, DWORD* rawWord)
{
    *rawWord = 0;
    return Control(device, IOCTL_READ_RAW_POINT, nullptr, 0, rawWord, sizeof(*rawWord));
}

bool TouchSimReload(HANDLE device)
{
    return Control(device, IOCTL_RELOAD_CALIBRATION, nullptr, 0, nullptr, 0);
}

bool TouchSimMapPoint(HANDLE device, DWORD rawWord, POINT* screen)
{
    unsigned long word = rawWord;
    TOUCH_SIM_POINT point = {0, 0};
    if (!Control(device, IOCTL_SIM_MAP_POINT, &word, sizeof(word), &point, sizeof(point)))
        return false;
    screen->x = point.X;
    screen->y = point.Y;
    return true;
}

bool TouchSimGetState(HANDLE device, TOUCH_SIM_STATE* state)
{
    memset(state, 0, sizeof(*state));
    return Control(device, IOCTL_SIM_GET_STATE, nullptr, 0, state, sizeof(*state));
}

bool TouchSimFailReads(HANDLE device, unsigned long count, long status)
{
    TOUCH_SIM_FAIL_READS fail = {count, status};
    return Control(device, IOCTL_SIM_FAIL_READS, &fail, sizeof(fail), nullptr, 0);
}

bool TouchSimSetRightButton(HANDLE device, bool on)
{
    unsigned long word = on ? 1 : 0;
    return Control(device, IOCTL_SIM_SET_RIGHT_BUTTON, &word, sizeof(word), nullptr, 0);
}

bool TouchSimTakeButton(HANDLE device, unsigned long* button)
{
    *button = 1;
    return Control(device, IOCTL_SIM_TAKE_BUTTON, nullptr, 0, button, sizeof(*button));
}

static bool SendClick(POINT at, unsigned long button)
{
    if (!SetCursorPos(at.x, at.y))
        return false;
    INPUT inputs[2];
    memset(inputs, 0, sizeof(inputs));
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = button == 2 ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = button == 2 ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

bool TouchSimTouch(HANDLE device, int x, int y, TouchResult* result, const TouchPanelModel* model)
{
    TouchPanelModel fallback;
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    TouchResult touch;
    touch.RawWord = PanelRawWord(model ? *model : fallback, x, y, width, height);
    if (!TouchSimSetScreen(device, width, height) || !TouchSimSetRawPoint(device, touch.RawWord) ||
        !TouchSimMapPoint(device, touch.RawWord, &touch.Clicked) || !TouchSimTakeButton(device, &touch.Button))
        return false;
    if (!SendClick(touch.Clicked, touch.Button))
        return false;
    if (result != nullptr)
        *result = touch;
    return true;
}

std::string TouchSimStandInDirectory(const std::string& buildTree)
{
    std::string directory = buildTree;
    if (!directory.empty() && directory.back() != '\\')
        directory += '\\';
    return directory + "package\\stage";
}

bool TouchSimCopyStandIns(const std::string& from, const std::string& to)
{
    CreateDirectoryA(to.c_str(), nullptr);
    for (const char* name : {DRIVER_SETUP_TOOL, DRIVER_INF_NAME, DRIVER_FILE_NAME}) {
        std::string source = from + "\\" + name, target = to + "\\" + name;
        if (!CopyFileA(source.c_str(), target.c_str(), FALSE))
            return false;
    }
    return true;
}

static int RunSetupTool(const std::string& directory, const char* arguments, DWORD timeoutMs)
{
    char application[MAX_PATH];
    char commandLine[3 * MAX_PATH];
    if (!FormatInto(application, DRIVER_SETUP_APP_FORMAT, directory.c_str()) ||
        !FormatInto(commandLine, "\"%s\" %s", application, arguments))
        return -1;
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(application, commandLine, nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr,
                        directory.c_str(), &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, (UINT)-1);
        WaitForSingleObject(process.hProcess, 5000);
    } else if (!GetExitCodeProcess(process.hProcess, &code)) {
        code = (DWORD)-1;
    }
    CloseHandle(process.hProcess);
    return (int)code;
}

int TouchSimInstallDriver(const std::string& directory, DWORD timeoutMs)
{
    char arguments[2 * MAX_PATH];
    if (!FormatInto(arguments, "\"%s\\%s\" 10 %s", directory.c_str(), DRIVER_INF_NAME, DRIVER_SETUP_INSTALL_VERB))
        return -1;
    return RunSetupTool(directory, arguments, timeoutMs);
}

int TouchSimRemoveDriver(const std::string& directory, DWORD timeoutMs)
{
    char arguments[64];
    if (!FormatInto(arguments, DRIVER_SETUP_REMOVE_FORMAT, 10))
        return -1;
    return RunSetupTool(directory, arguments, timeoutMs);
}
