// The handwriting demo under Wine: a drag leaves ink along its path, moving
// without the button leaves none, and "Clear" wipes the page.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "gui_support.h"
#include "test_support.h"

namespace {

constexpr COLORREF Ink = RGB(0, 0, 160);

// The colour of a client pixel as the screen shows it.
COLORREF ClientPixel(HWND window, int x, int y)
{
    POINT at = {x, y};
    ClientToScreen(window, &at);
    return ScreenPixel(at.x, at.y);
}

POINT ScreenPoint(HWND window, int x, int y)
{
    POINT at = {x, y};
    ClientToScreen(window, &at);
    return at;
}

TEST(WriteDemo, StrokesFollowThePointerWhileTheButtonIsDownAndClearWipesThem)
{
    std::string program = JoinPath(TestBinDir(), "package\\write\\Write.exe");
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string line = "\"" + program + "\"";
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    HWND window = WaitForTopWindow(nullptr, "HandWritting Demo");
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    Sleep(500);

    // A stroke from (100,150) to (300,150).
    DragPointer(ScreenPoint(window, 100, 150), ScreenPoint(window, 300, 150));
    Sleep(200);
    EXPECT_EQ(ClientPixel(window, 200, 150), Ink);
    EXPECT_EQ(ClientPixel(window, 295, 150), Ink);
    // Moving with the button up writes nothing.
    MovePointerTo(ScreenPoint(window, 100, 250).x, ScreenPoint(window, 100, 250).y);
    Sleep(50);
    MovePointerTo(ScreenPoint(window, 300, 250).x, ScreenPoint(window, 300, 250).y);
    Sleep(200);
    EXPECT_EQ(ClientPixel(window, 200, 250), RGB(255, 255, 255));

    // The ink survives a repaint.
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    Sleep(300);
    EXPECT_EQ(ClientPixel(window, 200, 150), Ink);

    HWND clear = FindWindowExA(window, nullptr, "Button", "Clear");
    ASSERT_NE(clear, nullptr);
    SendMessageA(clear, BM_CLICK, 0, 0);
    Sleep(300);
    EXPECT_EQ(ClientPixel(window, 200, 150), RGB(255, 255, 255));

    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace
