// The touch-panel simulator end to end: a finger on the screen, the stand-in
// driver loaded by Wine, and the click arriving in a window - first with the
// installer's defaults in the parameter key, then after a four-point
// calibration has been committed the way the calibration tool commits it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "calibration_record.h"
#include "calibration_window.h"
#include "driver_contract.h"
#include "gui_support.h"
#include "parameter_store.h"
#include "test_support.h"
#include "touch_device.h"
#include "touchsim.h"

namespace {

struct Click {
    UINT Message;
    POINT At;
};
std::vector<Click> Clicks;

LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONUP || message == WM_RBUTTONUP) {
        POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
        ClientToScreen(window, &at);
        Clicks.push_back({message, at});
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class TouchSimulator : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        InstallCode = TouchSimInstallDriver(TouchSimStandInDirectory(TestBinDir()));
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = RecorderProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = "TouchRecorder";
        RegisterClassA(&windowClass);
    }
    void SetUp() override
    {
        ASSERT_EQ(0, InstallCode);
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
        window = CreateWindowExA(WS_EX_TOPMOST, "TouchRecorder", "touches", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, window);
        ASSERT_TRUE(PumpMessagesUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
        device = TouchSimOpenDevice();
        ASSERT_NE(INVALID_HANDLE_VALUE, device) << GetLastError();
        // As the installer leaves the key: defaults, Calibration4Pt 0.
        ASSERT_EQ(0, WriteParameterDefaults());
        ASSERT_TRUE(TouchSimReload(device));
    }
    void TearDown() override
    {
        if (device != INVALID_HANDLE_VALUE)
            CloseHandle(device);
        if (window)
            DestroyWindow(window);
    }
    // Touches and waits for the button release to reach the window.
    Click TouchAndWait(int x, int y, TouchResult* touch, const TouchPanelModel* model = nullptr)
    {
        Clicks.clear();
        EXPECT_TRUE(TouchSimTouch(device, x, y, touch, model)) << GetLastError();
        PumpMessagesUntil([] { return !Clicks.empty(); }, 3000);
        if (Clicks.empty())
            return {0, {-1000, -1000}};
        return Clicks.front();
    }
    // The calibration tool's own part, through its own functions: a touch on
    // each of its crosses, the raw point read from the driver, the record
    // committed (which asks the driver to reload).
    void Calibrate(const TouchPanelModel* model)
    {
        int raw[8];
        DeviceHandle = device;
        for (int n = 0; n < 4; ++n) {
            POINT cross = CrossPosition(n + 1, width, height);
            TouchResult touch;
            TouchAndWait(cross.x, cross.y, &touch, model);
            DWORD word = 0;
            ASSERT_TRUE(ReadRawPoint(&word));
            ASSERT_EQ(touch.RawWord, word);
            raw[2 * n] = RAW_POINT_X(word);
            raw[2 * n + 1] = RAW_POINT_Y(word);
        }
        CommitCalibrationRecord(raw[0], raw[1], raw[2], raw[3], raw[4], raw[5], raw[6], raw[7], width, height);
        DeviceHandle = INVALID_HANDLE_VALUE;
    }
    void ExpectCalibratedTouches(const TouchPanelModel* model)
    {
        const POINT fingers[] = {{width / 2, height / 2}, {0, 0}, {width - 1, 0}, {0, height - 1}, {width - 1, height - 1}};
        for (POINT finger : fingers) {
            TouchResult touch;
            Click click = TouchAndWait(finger.x, finger.y, &touch, model);
            EXPECT_EQ((UINT)WM_LBUTTONUP, click.Message);
            EXPECT_LE(std::hypot(click.At.x - finger.x, click.At.y - finger.y), 2.0)
                << "finger " << finger.x << "," << finger.y << " clicked " << click.At.x << "," << click.At.y;
            POINT cursor;
            ASSERT_TRUE(GetCursorPos(&cursor));
            EXPECT_EQ(touch.Clicked.x, cursor.x);
            EXPECT_EQ(touch.Clicked.y, cursor.y);
        }
    }
    static int InstallCode;
    int width = 0, height = 0;
    HWND window = nullptr;
    HANDLE device = INVALID_HANDLE_VALUE;
};
int TouchSimulator::InstallCode = -1;

TEST_F(TouchSimulator, UncalibratedPanelMissesTheFingerVisibly)
{
    TouchResult touch;
    Click click = TouchAndWait(width / 2, height / 2, &touch);
    ASSERT_EQ((UINT)WM_LBUTTONUP, click.Message);
    EXPECT_EQ(touch.Clicked.x, click.At.x);
    EXPECT_EQ(touch.Clicked.y, click.At.y);
    EXPECT_GT(std::hypot(click.At.x - width / 2, click.At.y - height / 2), 15.0)
        << click.At.x << "," << click.At.y;
    // The calibration tool reads the raw point of that touch.
    DWORD raw = 0;
    ASSERT_TRUE(TouchSimReadRawPoint(device, &raw));
    EXPECT_EQ(touch.RawWord, raw);
}

TEST_F(TouchSimulator, FourPointCalibrationPutsTouchesUnderTheFinger)
{
    Calibrate(nullptr);
    TOUCH_SIM_STATE state;
    ASSERT_TRUE(TouchSimGetState(device, &state));
    EXPECT_EQ(1u, state.Calibration4Pt);
    EXPECT_EQ((unsigned long)width, state.Values[8]);
    ExpectCalibratedTouches(nullptr);
}

TEST_F(TouchSimulator, SwappedAndInvertedPanelIsCalibratedToo)
{
    TouchPanelModel model = DefaultTouchPanelModel();
    model.SwapXY = true;
    model.InvertX = true;
    Calibrate(&model);
    ExpectCalibratedTouches(&model);
}

TEST_F(TouchSimulator, RightButtonModeClicksRightOnce)
{
    ASSERT_TRUE(TouchSimSetRightButton(device, true));
    TouchResult touch;
    Click click = TouchAndWait(300, 200, &touch);
    EXPECT_EQ((UINT)WM_RBUTTONUP, click.Message);
    EXPECT_EQ(2u, touch.Button);
    click = TouchAndWait(300, 200, &touch);
    EXPECT_EQ((UINT)WM_LBUTTONUP, click.Message);
    EXPECT_EQ(1u, touch.Button);
}

TEST_F(TouchSimulator, DefaultsAfterACalibrationBringTheMissBack)
{
    Calibrate(nullptr);
    ASSERT_EQ(0, WriteParameterDefaults());
    ASSERT_TRUE(TouchSimReload(device));
    TouchResult touch;
    Click click = TouchAndWait(width / 2, height / 2, &touch);
    EXPECT_GT(std::hypot(click.At.x - width / 2, click.At.y - height / 2), 15.0);
}

}  // namespace
