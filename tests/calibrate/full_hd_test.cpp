// The calibration tool on a 1920 x 1080 screen: where the crosses are drawn,
// the window's extent and the screen size it commits.
#include <gtest/gtest.h>

#include "calibration_app.h"
#include "calibration_session.h"
#include "parameter_store.h"
#include "test_support.h"

namespace {

TEST(FullHdScreen, CrossesWindowAndCommittedScreenSizeFollowTheDisplay)
{
    ASSERT_EQ(1920, GetSystemMetrics(SM_CXSCREEN));
    ASSERT_EQ(1080, GetSystemMetrics(SM_CYSCREEN));
    HANDLE device = StandInDevice();
    ASSERT_NE(INVALID_HANDLE_VALUE, device);
    ASSERT_EQ(0, WriteParameterDefaults());
    ASSERT_TRUE(TouchSimReload(device));

    WatchedProcess tool;
    ASSERT_TRUE(StartCalibrationTool(&tool));
    HWND window = WaitForTopWindow(CalibrationClassName, nullptr, 20000, tool.Id());
    ASSERT_NE(nullptr, window);
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(1920, rect.right);
    EXPECT_EQ(1080, rect.bottom);

    const POINT crosses[4] = {{95, 53}, {1823, 53}, {95, 1025}, {1823, 1025}};
    DWORD raw[4];
    POINT centre;
    ASSERT_TRUE(WaitForCross(crosses[0].x, crosses[0].y, &centre));
    SaveScreenshot("calibration-cross-1920x1080.bmp");
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(TouchCrossAt(device, crosses[i], &raw[i])) << "cross " << i + 1;
    ASSERT_TRUE(WaitForCheckScreen(window));
    SaveScreenshot("check-screen-1920x1080.bmp");

    DWORD width = 0, height = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_SCREEN_WIDTH, &width));
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_SCREEN_HIGH, &height));
    EXPECT_EQ(1920u, width);
    EXPECT_EQ(1080u, height);

    RECT ok = {};
    GetWindowRect(FindButton(window, "OK"), &ok);
    EXPECT_EQ(855, ok.left);
    EXPECT_EQ(510, ok.top);

    TouchButton(device, FindButton(window, "OK"));
    EXPECT_EQ(0, FinishWatched(&tool));
    TOUCH_SIM_STATE state = DriverState(device);
    EXPECT_EQ(1u, state.Calibration4Pt);
    EXPECT_EQ(1920u, state.Values[8]);
    EXPECT_EQ(1080u, state.Values[9]);
    TouchResult touch;
    ASSERT_TRUE(TouchSimTouch(device, 1500, 900, &touch));
    EXPECT_LE(abs(touch.Clicked.x - 1500), 2);
    EXPECT_LE(abs(touch.Clicked.y - 900), 2);
}

} // namespace
