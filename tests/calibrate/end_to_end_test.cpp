// Whole runs of QuortouchUsb.exe on a 1024 x 768 screen: the real window,
// touches from the touch-panel simulator through the stand-in driver, and
// what stays behind in the registry and in the driver.
#include <gtest/gtest.h>

#include <cstdlib>

#include "autostart.h"
#include "calibration_app.h"
#include "calibration_session.h"
#include "parameter_store.h"
#include "record_check.h"
#include "test_support.h"

namespace {

const POINT Crosses[4] = {{51, 38}, {972, 38}, {51, 729}, {972, 729}};
// A committed calibration from an earlier run.
const DWORD Earlier[10] = {2100, 1800, 63100, 1500, 1900, 64000, 63500, 63800, 1024, 768};

void ExpectLoaded(const TOUCH_SIM_STATE& state, const DWORD (&values)[10], DWORD flag, const char* when)
{
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(values[i], state.Values[i]) << CalibrationRecord[i] << " loaded " << when;
    EXPECT_EQ(flag, state.Calibration4Pt) << "Calibration4Pt loaded " << when;
}

// The record that four touches with these raw words and the screen make.
void NewRecord(const DWORD (&raw)[4], DWORD (&record)[10])
{
    for (int i = 0; i < 4; ++i) {
        record[2 * i] = RAW_POINT_X(raw[i]);
        record[2 * i + 1] = RAW_POINT_Y(raw[i]);
    }
    record[8] = 1024;
    record[9] = 768;
}

class EndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        device = StandInDevice();
        ASSERT_NE(INVALID_HANDLE_VALUE, device);
        SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;OICI;KA;;;WD)");
        ASSERT_EQ(0, WriteParameterDefaults());
        WriteRecord(Earlier, 1);
        ASSERT_TRUE(TouchSimReload(device));
        SetAutostartValue(AutostartValueName, AutostartFileName);
        ASSERT_TRUE(AutostartValuePresent());
        before = DriverState(device);
    }

    void TearDown() override
    {
        if (tool.Handle() != nullptr)
            FinishWatched(&tool, 1);
        SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;OICI;KA;;;WD)");
        TouchSimFailReads(device, 0, 0);
    }

    // Starts the tool and waits for its window and the first cross.
    HWND StartTool()
    {
        EXPECT_TRUE(StartCalibrationTool(&tool));
        HWND window = WaitForTopWindow(CalibrationClassName, nullptr, 20000, tool.Id());
        EXPECT_NE(nullptr, window);
        return window;
    }

    // Touches the four crosses in turn; the raw words of the touches.
    bool TouchFourCrosses(DWORD (&raw)[4], const TouchPanelModel* model = nullptr)
    {
        for (int i = 0; i < 4; ++i)
            if (!TouchCrossAt(device, Crosses[i], &raw[i], model))
                return false;
        return true;
    }

    unsigned long ReloadsSinceStart() { return DriverState(device).ReloadCount - before.ReloadCount; }

    HANDLE device = INVALID_HANDLE_VALUE;
    TOUCH_SIM_STATE before = {};
    WatchedProcess tool;
};

TEST_F(EndToEnd, FourTouchesThenOkCommitsTheCalibrationAndEndsTheAutostart)
{
    HWND window = StartTool();
    ASSERT_NE(nullptr, window);
    POINT centre;
    ASSERT_TRUE(WaitForCross(Crosses[0].x, Crosses[0].y, &centre));
    EXPECT_FALSE(CursorShowing()) << "cursor hidden on the crosses";
    RECT windowRect = {};
    GetWindowRect(window, &windowRect);
    EXPECT_EQ(0, windowRect.left);
    EXPECT_EQ(0, windowRect.top);
    EXPECT_EQ(1024, windowRect.right);
    EXPECT_EQ(768, windowRect.bottom);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SaveScreenshot("calibration-cross.bmp");

    DWORD raw[4];
    ASSERT_TRUE(TouchFourCrosses(raw));
    ASSERT_TRUE(WaitForCheckScreen(window));
    SaveScreenshot("check-screen.bmp");
    EXPECT_TRUE(CursorShowing()) << "cursor visible on the check screen";

    // The check screen: both buttons at their rectangles.
    HWND ok = FindButton(window, "OK"), again = FindButton(window, "Adjust Again");
    RECT okRect = {}, againRect = {};
    GetWindowRect(ok, &okRect);
    GetWindowRect(again, &againRect);
    EXPECT_EQ(407, okRect.left);
    EXPECT_EQ(354, okRect.top);
    EXPECT_EQ(507, okRect.right);
    EXPECT_EQ(404, okRect.bottom);
    EXPECT_EQ(517, againRect.left);
    EXPECT_EQ(354, againRect.top);
    EXPECT_EQ(617, againRect.right);
    EXPECT_EQ(404, againRect.bottom);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), ScreenPixel(okRect.left + 6, okRect.top + 6));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), ScreenPixel(againRect.left + 6, againRect.top + 6));
    EXPECT_EQ(RGB(255, 255, 255), ScreenPixel(okRect.right + 4, okRect.top + 6)) << "white between the buttons";

    // Committed at the fourth touch.
    DWORD record[10];
    NewRecord(raw, record);
    ExpectRecord(record, 1, "after the fourth touch");
    EXPECT_EQ(1u, ReloadsSinceStart());

    TouchButton(device, ok);
    EXPECT_EQ(0, FinishWatched(&tool));
    EXPECT_TRUE(tool.Boxes.empty());

    ExpectRecord(record, 1, "after OK");
    TOUCH_SIM_STATE after = DriverState(device);
    EXPECT_EQ(2u, after.ReloadCount - before.ReloadCount);
    ExpectLoaded(after, record, 1, "after OK");
    EXPECT_FALSE(AutostartValuePresent());

    // The panel is calibrated now: touches land under the finger.
    const POINT fingers[] = {{512, 384}, {30, 20}, {1000, 740}, {200, 600}, {900, 100}};
    for (POINT finger : fingers) {
        TouchResult touch;
        ASSERT_TRUE(TouchSimTouch(device, finger.x, finger.y, &touch));
        EXPECT_LE(abs(touch.Clicked.x - finger.x), 2) << finger.x << "," << finger.y;
        EXPECT_LE(abs(touch.Clicked.y - finger.y), 2) << finger.x << "," << finger.y;
    }
}

TEST_F(EndToEnd, WithoutAdministratorRightsCalibratesWhereTheKeyWasWidened)
{
    // The key as the installation leaves it: Users, Guests and Administrators
    // have full access.
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey,
                           "D:(A;OICI;KA;;;SY)(A;OICI;KA;;;BU)(A;OICI;KA;;;BG)(A;OICI;KA;;;BA)"));
    ASSERT_TRUE(StartCalibrationToolUnelevated(&tool));
    HWND window = WaitForTopWindow(CalibrationClassName, nullptr, 20000, tool.Id());
    ASSERT_NE(nullptr, window);
    DWORD raw[4];
    ASSERT_TRUE(TouchFourCrosses(raw));
    ASSERT_TRUE(WaitForCheckScreen(window));
    EXPECT_EQ(1u, ReloadsSinceStart()) << "the commit";
    TouchButton(device, FindButton(window, "OK"));
    EXPECT_EQ(0, FinishWatched(&tool));
    EXPECT_TRUE(tool.Boxes.empty());
    DWORD record[10];
    NewRecord(raw, record);
    ExpectRecord(record, 1, "after OK");
    EXPECT_EQ(2u, ReloadsSinceStart()) << "the commit and OK";
    EXPECT_FALSE(AutostartValuePresent());

    // Where only Administrators and SYSTEM have full access, the tool asks
    // for an administrator and writes nothing.
    SetAutostartValue(AutostartValueName, AutostartFileName);
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;OICI;KA;;;SY)(A;OICI;KA;;;BA)"));
    before = DriverState(device);
    ASSERT_TRUE(StartCalibrationToolUnelevated(&tool));
    EXPECT_EQ(-1, FinishWatched(&tool));
    ASSERT_EQ(1u, tool.Boxes.size());
    EXPECT_EQ("Please run as administrator", tool.Boxes[0].Text);
    ExpectRecord(record, 1, "after the refusal");
    EXPECT_EQ(0u, ReloadsSinceStart());
    EXPECT_TRUE(AutostartValuePresent());
}

TEST_F(EndToEnd, EscapeBeforeTheFirstTouchPutsTheEarlierCalibrationBack)
{
    ASSERT_TRUE(WriteRunOnceValue());

    HWND window = StartTool();
    ASSERT_NE(nullptr, window);
    POINT centre;
    ASSERT_TRUE(WaitForCross(Crosses[0].x, Crosses[0].y, &centre));
    EXPECT_FALSE(RunOnceValuePresent()) << "the RunOnce value goes at start-up";

    PressKeyIn(window, VK_ESCAPE);
    EXPECT_EQ(0, FinishWatched(&tool));
    EXPECT_TRUE(tool.Boxes.empty());

    // Written back with the flag it had, and the driver told.
    ExpectRecord(Earlier, 1, "after Escape");
    EXPECT_EQ(1u, ReloadsSinceStart());
    ExpectLoaded(DriverState(device), Earlier, 1, "after Escape");
    EXPECT_TRUE(AutostartValuePresent());
}

TEST_F(EndToEnd, SpaceOnTheCheckScreenPutsTheEarlierCalibrationBack)
{
    HWND window = StartTool();
    ASSERT_NE(nullptr, window);
    DWORD raw[4];
    ASSERT_TRUE(TouchFourCrosses(raw));
    ASSERT_TRUE(WaitForCheckScreen(window));
    DWORD record[10];
    NewRecord(raw, record);
    ExpectRecord(record, 1, "after the fourth touch");

    PressKeyIn(window, VK_SPACE);
    EXPECT_EQ(0, FinishWatched(&tool));
    EXPECT_TRUE(tool.Boxes.empty());

    ExpectRecord(Earlier, 1, "after Space");
    TOUCH_SIM_STATE after = DriverState(device);
    EXPECT_EQ(2u, after.ReloadCount - before.ReloadCount) << "commit, then restore";
    ExpectLoaded(after, Earlier, 1, "after Space");
    EXPECT_TRUE(AutostartValuePresent());
}

TEST_F(EndToEnd, AdjustAgainStartsOverAndASecondSequenceIsKept)
{
    HWND window = StartTool();
    ASSERT_NE(nullptr, window);
    DWORD first[4];
    ASSERT_TRUE(TouchFourCrosses(first));
    ASSERT_TRUE(WaitForCheckScreen(window));

    TouchButton(device, FindButton(window, "Adjust Again"));
    POINT centre;
    ASSERT_TRUE(WaitForCross(Crosses[0].x, Crosses[0].y, &centre));
    EXPECT_FALSE(IsWindowVisible(FindButton(window, "OK")));
    EXPECT_FALSE(IsWindowVisible(FindButton(window, "Adjust Again")));
    EXPECT_FALSE(CursorShowing()) << "cursor hidden on the crosses again";
    ExpectRecord(Earlier, 1, "after Adjust Again");
    EXPECT_EQ(2u, ReloadsSinceStart()) << "commit, then restore";

    // The second sequence, with the panel mounted differently.
    TouchPanelModel shifted = DefaultTouchPanelModel();
    shifted.OffsetX = -30;
    shifted.OffsetY = 20;
    shifted.RotationDegrees = -1.5;
    DWORD second[4];
    ASSERT_TRUE(TouchFourCrosses(second, &shifted));
    ASSERT_TRUE(WaitForCheckScreen(window));
    EXPECT_TRUE(CursorShowing()) << "cursor visible on the second check screen at once";
    DWORD record[10];
    NewRecord(second, record);
    ExpectRecord(record, 1, "after the second fourth touch");

    TouchButton(device, FindButton(window, "OK"), &shifted);
    EXPECT_EQ(0, FinishWatched(&tool));
    EXPECT_TRUE(tool.Boxes.empty());
    ExpectRecord(record, 1, "after OK");
    TOUCH_SIM_STATE after = DriverState(device);
    EXPECT_EQ(4u, after.ReloadCount - before.ReloadCount);
    ExpectLoaded(after, record, 1, "after OK");
    EXPECT_FALSE(AutostartValuePresent());
}

TEST_F(EndToEnd, AFailedRawReadIsNoTouch)
{
    HWND window = StartTool();
    ASSERT_NE(nullptr, window);
    POINT centre;
    ASSERT_TRUE(WaitForCross(Crosses[0].x, Crosses[0].y, &centre));

    ASSERT_TRUE(TouchSimFailReads(device, 1, static_cast<long>(0xC0000185)));
    unsigned long readsBefore = DriverState(device).RawReadCount;
    TouchResult touch;
    ASSERT_TRUE(TouchSimTouch(device, centre.x, centre.y, &touch));
    ASSERT_TRUE(WaitUntil([&] { return DriverState(device).RawReadCount != readsBefore; }, 4000));
    ASSERT_EQ(0u, DriverState(device).FailReadsLeft) << "the read was made and failed";
    WaitForPaint(window);
    EXPECT_TRUE(FindCrossCentre(Crosses[0].x, Crosses[0].y, 40, &centre)) << "still the first cross";
    EXPECT_FALSE(FindCrossCentre(Crosses[1].x, Crosses[1].y, 40, &centre));

    DWORD raw[4];
    ASSERT_TRUE(TouchFourCrosses(raw));
    ASSERT_TRUE(WaitForCheckScreen(window));
    DWORD record[10];
    NewRecord(raw, record);
    ExpectRecord(record, 1, "after the fourth counted touch");

    PressKeyIn(window, VK_ESCAPE);
    EXPECT_EQ(0, FinishWatched(&tool));
    ExpectRecord(Earlier, 1, "after Escape");
}

// Costs the full 30 seconds.
TEST_F(EndToEnd, WithoutInputTheWindowClosesAfter30SecondsWritingNothing)
{
    HWND window = StartTool();
    ASSERT_NE(nullptr, window);
    DWORD start = GetTickCount();
    EXPECT_EQ(0, FinishWatched(&tool, 60000));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 29000u);
    EXPECT_TRUE(tool.Boxes.empty());
    ExpectRecord(Earlier, 1, "after the timer");
    EXPECT_EQ(0u, ReloadsSinceStart());
    EXPECT_TRUE(AutostartValuePresent());
}

} // namespace
