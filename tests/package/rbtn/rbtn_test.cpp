// RBtn.exe under Wine: a small topmost tool window; without the driver its
// button says so.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "gui_support.h"
#include "message_boxes.h"
#include "test_support.h"

namespace {

std::string ToolCommand() { return "\"" + JoinPath(TestBinDir(), "package\\rbtn\\RBtn.exe") + "\""; }

TEST(RightButtonTool, IsASmallTopmostToolWindowAndReportsAMissingDriver)
{
    StartedProcess tool;
    ASSERT_TRUE(tool.Start(ToolCommand()));
    HWND window = WaitForTopWindow("QuortouchRightButton", "Right Button");
    ASSERT_NE(window, nullptr);
    LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_LE(frame.right - frame.left, 250);
    EXPECT_LE(frame.bottom - frame.top, 200);
    EXPECT_EQ(ItemText(window, 101), "Touch the button, then touch where you want a right click.");

    // A second start only brings the first window forward.
    StartedProcess second;
    ASSERT_TRUE(second.Start(ToolCommand()));
    EXPECT_EQ(second.Wait(), 0);

    PostMessageA(window, WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, 100)));
    HWND box = WaitForMessageBox("Right Button", 10000, tool.Id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box),
              "The touchscreen driver is not running (2). Install the driver package and plug in the touchscreen.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitForWindowGone(box, 5000));
    EXPECT_EQ(SendMessageA(GetDlgItem(window, 100), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(tool.Wait(), 0);
}

} // namespace
