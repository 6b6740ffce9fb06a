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

bool PendingBecomes(HANDLE device, DWORD pending)
{
    TOUCH_SIM_STATE state = {};
    return WaitUntil([&] { return TouchSimGetState(device, &state) && state.RightButtonPending == pending; }, 5000);
}

std::string ToolCommand() { return "\"" + JoinPath(TestBinDir(), "package\\rbtn\\RBtn.exe") + "\""; }

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
    ASSERT_TRUE(PumpMessagesUntil([&] { return IsWindowVisible(target) != FALSE; }, 5000));

    StartedProcess process;
    ASSERT_TRUE(process.Start(ToolCommand()));
    HWND tool = WaitForTopWindow("QuortouchRightButton", "Right Button");
    ASSERT_NE(tool, nullptr);
    HWND button = GetDlgItem(tool, 100);

    // Touch the tool's button, as a user would.
    RECT rect;
    GetWindowRect(button, &rect);
    TouchResult touch;
    TouchPanelModel panel = TruePanel();
    ASSERT_TRUE(TouchSimTouch(device, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2, &touch, &panel));
    EXPECT_TRUE(WaitUntil([&] { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5000));
    EXPECT_EQ(ItemText(tool, 101), "The next touch is a right click.");
    EXPECT_TRUE(PendingBecomes(device, 1));

    Clicks.clear();
    ASSERT_TRUE(TouchSimTouch(device, 300, 350, &touch, &panel));
    EXPECT_TRUE(PumpMessagesUntil([] { return Clicks.size() >= 2; }, 5000));
    EXPECT_EQ(touch.Button, 2u);
    // One touch takes the request.
    EXPECT_TRUE(PendingBecomes(device, 0));
    EXPECT_EQ(Clicks, (std::vector<UINT>{WM_RBUTTONDOWN, WM_RBUTTONUP}));

    Clicks.clear();
    ASSERT_TRUE(TouchSimTouch(device, 300, 350, &touch, &panel));
    EXPECT_TRUE(PumpMessagesUntil([] { return Clicks.size() >= 2; }, 5000));
    EXPECT_EQ(touch.Button, 1u);
    EXPECT_EQ(Clicks, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));

    EXPECT_TRUE(WaitUntil([&] { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }, 5000));
    EXPECT_EQ(ItemText(tool, 101), "Touch the button, then touch where you want a right click.");

    PostMessageA(tool, WM_CLOSE, 0, 0);
    EXPECT_EQ(process.Wait(10000), 0);
    CloseHandle(device);
    DestroyWindow(target);
}

TEST(RightButtonTouch, PressingTheButtonAgainTakesTheRequestBack)
{
    ASSERT_EQ(TouchSimInstallDriver(TouchSimStandInDirectory(TestBinDir())), 0);
    HANDLE device = TouchSimOpenDevice();
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    StartedProcess process;
    ASSERT_TRUE(process.Start(ToolCommand()));
    HWND tool = WaitForTopWindow("QuortouchRightButton", "Right Button");
    ASSERT_NE(tool, nullptr);
    HWND button = GetDlgItem(tool, 100);

    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_TRUE(PendingBecomes(device, 1));
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_TRUE(PendingBecomes(device, 0));
    EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // Closing the tool with a request pending takes it back too.
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_TRUE(PendingBecomes(device, 1));
    PostMessageA(tool, WM_CLOSE, 0, 0);
    EXPECT_EQ(process.Wait(10000), 0);
    EXPECT_TRUE(PendingBecomes(device, 0));
    CloseHandle(device);
}

} // namespace
