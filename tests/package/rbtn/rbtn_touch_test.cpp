// RBtn.exe with the stand-in driver: after its button, the next touch
// arrives as one right-button click; the touch after it is a left click
// again, and the tool's button pops back up.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui_support.h"
#include "test_support.h"
#include "touchsim.h"

namespace {

std::vector<UINT> Clicks;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        Clicks.push_back(message);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A panel mounted true to the screen, so that an uncalibrated touch lands
// under the finger.
TouchPanelModel TruePanel()
{
    TouchPanelModel model;
    model.OffsetX = model.OffsetY = 0;
    model.ScaleX = model.ScaleY = 1.0;
    model.RotationDegrees = 0;
    return model;
}

void Pump(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

TEST(RightButtonTouch, TheNextTouchIsOneRightClick)
{
    ASSERT_EQ(TouchSimInstallDriver(TouchSimStandInDirectory(TestBinDir())), 0);
    HANDLE device = TouchSimOpenDevice();
    ASSERT_NE(device, INVALID_HANDLE_VALUE);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = TargetProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "RightButtonTarget";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    HWND target = CreateWindowExA(0, "RightButtonTarget", "target", WS_POPUP | WS_VISIBLE, 100, 200, 400, 300,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(target, nullptr);
    Pump(300);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string line = "\"" + JoinPath(TestBinDir(), "package\\rbtn\\RBtn.exe") + "\"";
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    HWND tool = WaitForTopWindow("QuortouchRightButton", "Right Button");
    ASSERT_NE(tool, nullptr);
    HWND button = GetDlgItem(tool, 100);

    // Touch the tool's button, as a user would.
    RECT rect;
    GetWindowRect(button, &rect);
    TouchResult touch;
    TouchPanelModel panel = TruePanel();
    ASSERT_TRUE(TouchSimTouch(device, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2, &touch, &panel));
    Pump(500);
    EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(ItemText(tool, 101), "The next touch is a right click.");
    TOUCH_SIM_STATE state = {};
    ASSERT_TRUE(TouchSimGetState(device, &state));
    EXPECT_EQ(state.RightButtonPending, 1u);

    Clicks.clear();
    ASSERT_TRUE(TouchSimTouch(device, 300, 350, &touch, &panel));
    Pump(500);
    EXPECT_EQ(touch.Button, 2u);
    EXPECT_EQ(Clicks, (std::vector<UINT>{WM_RBUTTONDOWN, WM_RBUTTONUP}));

    Clicks.clear();
    ASSERT_TRUE(TouchSimTouch(device, 300, 350, &touch, &panel));
    Pump(500);
    EXPECT_EQ(touch.Button, 1u);
    EXPECT_EQ(Clicks, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));

    EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(ItemText(tool, 101), "Touch the button, then touch where you want a right click.");

    PostMessageA(tool, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(device);
    DestroyWindow(target);
}

TEST(RightButtonTouch, PressingTheButtonAgainTakesTheRequestBack)
{
    ASSERT_EQ(TouchSimInstallDriver(TouchSimStandInDirectory(TestBinDir())), 0);
    HANDLE device = TouchSimOpenDevice();
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string line = "\"" + JoinPath(TestBinDir(), "package\\rbtn\\RBtn.exe") + "\"";
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    HWND tool = WaitForTopWindow("QuortouchRightButton", "Right Button");
    ASSERT_NE(tool, nullptr);
    HWND button = GetDlgItem(tool, 100);
    TOUCH_SIM_STATE state = {};

    SendMessageA(button, BM_CLICK, 0, 0);
    Sleep(200);
    ASSERT_TRUE(TouchSimGetState(device, &state));
    EXPECT_EQ(state.RightButtonPending, 1u);
    SendMessageA(button, BM_CLICK, 0, 0);
    Sleep(200);
    ASSERT_TRUE(TouchSimGetState(device, &state));
    EXPECT_EQ(state.RightButtonPending, 0u);
    EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // Closing the tool with a request pending takes it back too.
    SendMessageA(button, BM_CLICK, 0, 0);
    Sleep(200);
    PostMessageA(tool, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(TouchSimGetState(device, &state));
    EXPECT_EQ(state.RightButtonPending, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(device);
}

} // namespace
