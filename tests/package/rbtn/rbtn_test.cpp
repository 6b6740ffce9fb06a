// RBtn.exe under Wine: a small topmost tool window; without the driver its
// button says so.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "gui_support.h"
#include "test_support.h"

namespace {

struct RunningProgram {
    PROCESS_INFORMATION process = {};
    bool Start(const std::string& program)
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        std::string line = "\"" + program + "\"";
        return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    }
    DWORD WaitExit()
    {
        DWORD code = 999;
        if (WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        else
            TerminateProcess(process.hProcess, 998);
        return code;
    }
    ~RunningProgram()
    {
        if (process.hProcess) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
};

std::string Program() { return JoinPath(TestBinDir(), "package\\rbtn\\RBtn.exe"); }

TEST(RightButtonTool, IsASmallTopmostToolWindowAndReportsAMissingDriver)
{
    RunningProgram tool;
    ASSERT_TRUE(tool.Start(Program()));
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
    RunningProgram second;
    ASSERT_TRUE(second.Start(Program()));
    EXPECT_EQ(second.WaitExit(), 0u);

    PostMessageA(window, WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, 100)));
    HWND box = nullptr;
    DWORD start = GetTickCount();
    while (!box && GetTickCount() - start < 10000) {
        HWND candidate = FindWindowA("#32770", "Right Button");
        if (candidate && GetDlgItem(candidate, 0xFFFF))
            box = candidate;
        else
            Sleep(50);
    }
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box),
              "The touchscreen driver is not running (2). Install the driver package and plug in the touchscreen.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    Sleep(300);
    EXPECT_EQ(SendMessageA(GetDlgItem(window, 100), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(tool.WaitExit(), 0u);
}

} // namespace
