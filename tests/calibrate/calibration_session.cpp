#include "calibration_session.h"

#include <gtest/gtest.h>

#include "test_support.h"

HANDLE StandInDevice()
{
    static HANDLE device = INVALID_HANDLE_VALUE;
    if (device != INVALID_HANDLE_VALUE)
        return device;
    device = TouchSimOpenDevice();
    if (device != INVALID_HANDLE_VALUE)
        return device;
    int code = TouchSimInstallDriver(TouchSimStandInDirectory(TestBinDir()));
    if (code != 0) {
        ADD_FAILURE() << "stand-in driver not installed, setup tool exit code " << code;
        return INVALID_HANDLE_VALUE;
    }
    device = TouchSimOpenDevice();
    return device;
}

TOUCH_SIM_STATE DriverState(HANDLE device)
{
    TOUCH_SIM_STATE state = {};
    EXPECT_TRUE(TouchSimGetState(device, &state));
    return state;
}

bool TouchCrossAt(HANDLE device, POINT expected, DWORD* rawWord, const TouchPanelModel* model)
{
    POINT centre = {};
    if (!WaitForCross(expected.x, expected.y, &centre)) {
        ADD_FAILURE() << "no cross near (" << expected.x << ", " << expected.y << "), screen in "
                      << SaveScreenshot("no-cross.bmp");
        return false;
    }
    EXPECT_EQ(expected.x, centre.x);
    EXPECT_EQ(expected.y, centre.y);
    TouchResult touch;
    if (!TouchSimTouch(device, centre.x, centre.y, &touch, model)) {
        ADD_FAILURE() << "touch refused, error " << GetLastError();
        return false;
    }
    *rawWord = touch.RawWord;
    return true;
}

struct ButtonSearch {
    const char* Text;
    HWND Found;
};

static BOOL CALLBACK FindButtonChild(HWND child, LPARAM lParam)
{
    ButtonSearch* search = reinterpret_cast<ButtonSearch*>(lParam);
    char className[32] = {}, text[64] = {};
    GetClassNameA(child, className, sizeof className);
    GetWindowTextA(child, text, sizeof text);
    if (_stricmp(className, "Button") == 0 && strcmp(text, search->Text) == 0) {
        search->Found = child;
        return FALSE;
    }
    return TRUE;
}

HWND FindButton(HWND window, const char* text)
{
    ButtonSearch search = {text, nullptr};
    EnumChildWindows(window, FindButtonChild, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

bool WaitForCheckScreen(HWND window, DWORD timeoutMs)
{
    bool shown = WaitUntil(
        [&] {
            HWND ok = FindButton(window, "OK"), again = FindButton(window, "Adjust Again");
            return ok != nullptr && again != nullptr && IsWindowVisible(ok) && IsWindowVisible(again);
        },
        timeoutMs);
    if (shown)
        WaitForPaint(window);
    return shown;
}

void TouchButton(HANDLE device, HWND button, const TouchPanelModel* model)
{
    RECT rect = {};
    GetWindowRect(button, &rect);
    TouchResult touch;
    EXPECT_TRUE(TouchSimTouch(device, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2, &touch, model));
}

bool CursorShowing()
{
    CURSORINFO info = {};
    info.cbSize = sizeof info;
    GetCursorInfo(&info);
    return (info.flags & CURSOR_SHOWING) != 0;
}

void PressKeyIn(HWND window, WORD virtualKey)
{
    SetForegroundWindow(window);
    WaitUntil([&] { return GetForegroundWindow() == window; }, 2000);
    PressKey(virtualKey);
}
