// CalibrationWindowProc driven message by message in the test process, with
// the stand-in driver behind the device handle: states, traces and the
// cursor display count, which only the owning thread can read.
#include <gtest/gtest.h>

#include "autostart.h"
#include "calibration_app.h"
#include "calibration_session.h"
#include "calibration_window.h"
#include "parameter_store.h"
#include "test_support.h"
#include "touch_device.h"

namespace {

// The thread's cursor display count, unchanged.
int CursorCount()
{
    ShowCursor(TRUE);
    return ShowCursor(FALSE);
}

class CalibrationWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = CalibrationWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = CalibrationClassName;
        RegisterClassA(&windowClass);
    }

    void SetUp() override
    {
        device = StandInDevice();
        ASSERT_NE(INVALID_HANDLE_VALUE, device);
        DeviceHandle = device;
        ASSERT_EQ(0, WriteParameterDefaults());
        ScreenWidth = 1024;
        ScreenHeight = 768;
        countAtStart = CursorCount();
        window = CreateWindowExA(WS_EX_TOPMOST, CalibrationClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, ScreenWidth,
                                 ScreenHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, window);
        UpdateWindow(window);
    }

    void TearDown() override
    {
        if (IsWindow(window))
            DestroyWindow(window);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            ;
        EXPECT_EQ(countAtStart, CursorCount()) << "display count back where it started";
    }

    void Touch(DWORD rawWord)
    {
        ASSERT_TRUE(TouchSimSetRawPoint(device, rawWord));
        SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
        UpdateWindow(window);
    }

    void FourTouches()
    {
        for (DWORD word : {0x12345678u, 0xF0010F02u, 0x0F03F004u, 0xF005F006u})
            Touch(word);
    }

    void Press(const char* button)
    {
        SendMessageA(window, WM_COMMAND, 0, reinterpret_cast<LPARAM>(FindWindowExA(window, nullptr, "button", button)));
        if (IsWindow(window))
            UpdateWindow(window);
    }

    HANDLE device = INVALID_HANDLE_VALUE;
    HWND window = nullptr;
    int countAtStart = 0;
};

TEST_F(CalibrationWindowTest, TouchesStoreTheRawHalvesAndTraceThem)
{
    TraceCapture trace;
    EXPECT_EQ(1, CalibrationState);
    Touch(0x12345678);
    EXPECT_EQ(2, CalibrationState);
    EXPECT_EQ(4660, RawPoints[0].X);
    EXPECT_EQ(22136, RawPoints[0].Y);
    Touch(0xF0010F02);
    Touch(0x0F03F004);
    Touch(0xF005F006);
    EXPECT_EQ(0, CalibrationState);
    EXPECT_EQ(61445, RawPoints[3].X);
    EXPECT_EQ(61446, RawPoints[3].Y);
    ASSERT_EQ(4u, trace.Lines().size());
    EXPECT_EQ("$$$$$$$$XY( 4660,22136)\n", trace.Lines()[0]);
    EXPECT_EQ("$$$$$$$$XY2(61441, 3842)\n", trace.Lines()[1]);
    EXPECT_EQ("$$$$$$$$XY( 3843,61444)\n", trace.Lines()[2]);
    EXPECT_EQ("$$$$$$$$XY(61445,61446)\n", trace.Lines()[3]);
}

TEST_F(CalibrationWindowTest, CursorHiddenOnCrossesAndShownOnEveryCheckScreen)
{
    EXPECT_EQ(countAtStart - 1, CursorCount());
    FourTouches();
    EXPECT_EQ(countAtStart, CursorCount()) << "visible from the first paint of the check screen";

    // Touches on the check screen: no state change, no further count change.
    Touch(0x11112222);
    Touch(0x33334444);
    EXPECT_EQ(0, CalibrationState);
    EXPECT_EQ(4660, RawPoints[0].X);
    EXPECT_EQ(countAtStart, CursorCount());

    Press("Adjust Again");
    EXPECT_EQ(1, CalibrationState);
    EXPECT_EQ(countAtStart - 1, CursorCount());
    FourTouches();
    EXPECT_EQ(countAtStart, CursorCount()) << "visible at once after Adjust Again too";

    Press("OK");
    EXPECT_FALSE(IsWindow(window));
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, message.wParam);
}

TEST_F(CalibrationWindowTest, EscapeOnTheCrossesGivesTheCursorBack)
{
    Touch(0x12345678);
    SendMessageA(window, WM_KEYDOWN, 'A', 0);
    EXPECT_TRUE(IsWindow(window)) << "other keys do nothing";
    SendMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(CalibrationWindowTest, OtherTimersAndControlsDoNothing)
{
    SendMessageA(window, WM_TIMER, 2, 0);
    SendMessageA(window, WM_COMMAND, 0, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(1, CalibrationState);
    SendMessageA(window, WM_TIMER, CalibrationTimerId, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST(CrossPositions, FollowTheTableOfFractions)
{
    POINT p = CrossPosition(1, 1024, 768);
    EXPECT_EQ(51, p.x);
    EXPECT_EQ(38, p.y);
    p = CrossPosition(4, 1920, 1080);
    EXPECT_EQ(1823, p.x);
    EXPECT_EQ(1025, p.y);
    p = CrossPosition(3, 800, 600);
    EXPECT_EQ(39, p.x);
    EXPECT_EQ(569, p.y);
}

} // namespace
