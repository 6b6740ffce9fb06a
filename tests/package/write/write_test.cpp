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

// Waits until the client pixel shows that colour (the demo paints on its own
// thread, after the input has been delivered).
bool PixelBecomes(HWND window, int x, int y, COLORREF colour)
{
    return WaitUntil([&] { return ClientPixel(window, x, y) == colour; }, 5000);
}

TEST(WriteDemo, StrokesFollowThePointerWhileTheButtonIsDownAndClearWipesThem)
{
    StartedProcess demo;
    ASSERT_TRUE(demo.Start("\"" + JoinPath(TestBinDir(), "package\\write\\Write.exe") + "\""));
    HWND window = WaitForTopWindow(nullptr, "HandWritting Demo");
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    ASSERT_TRUE(PixelBecomes(window, 200, 150, RGB(255, 255, 255)));

    // A stroke from (100,150) to (300,150).
    DragPointer(ScreenPoint(window, 100, 150), ScreenPoint(window, 300, 150));
    EXPECT_TRUE(PixelBecomes(window, 200, 150, Ink));
    EXPECT_TRUE(PixelBecomes(window, 295, 150, Ink));
    // Moving with the button up writes nothing. Input arrives in order, so
    // once a later stroke shows, the moves before it have been handled.
    POINT from = ScreenPoint(window, 100, 250), to = ScreenPoint(window, 300, 250);
    MovePointerTo(from.x, from.y);
    MovePointerTo(to.x, to.y);
    DragPointer(ScreenPoint(window, 100, 350), ScreenPoint(window, 300, 350));
    ASSERT_TRUE(PixelBecomes(window, 200, 350, Ink));
    EXPECT_EQ(ClientPixel(window, 200, 250), RGB(255, 255, 255));

    // The ink survives a repaint.
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    EXPECT_TRUE(PixelBecomes(window, 200, 150, Ink));

    HWND clear = FindWindowExA(window, nullptr, "Button", "Clear");
    ASSERT_NE(clear, nullptr);
    SendMessageA(clear, BM_CLICK, 0, 0);
    EXPECT_TRUE(PixelBecomes(window, 200, 150, RGB(255, 255, 255)));
    EXPECT_TRUE(PixelBecomes(window, 200, 350, RGB(255, 255, 255)));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(demo.Wait(10000), 0);
}

} // namespace
