// The driver's raw-to-screen mapping on its own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "driver_contract.h"
#include "touch_mapping.h"
#include "touchsim.h"

namespace {

// The calibration the calibration tool would commit for a panel model: the
// raw points of touches on the four crosses of a W x H screen.
TOUCH_CALIBRATION Calibrate(const TouchPanelModel& model, int w, int h)
{
    TOUCH_CALIBRATION c = {};
    const int fractions[2] = {CROSS_NEAR, CROSS_FAR};
    for (int n = 0; n < 4; ++n) {
        int x = fractions[n % 2] * w / CROSS_UNITS, y = fractions[n / 2] * h / CROSS_UNITS;
        DWORD raw = PanelRawWord(model, x, y, w, h);
        c.Values[2 * n] = RAW_POINT_X(raw);
        c.Values[2 * n + 1] = RAW_POINT_Y(raw);
    }
    c.Values[8] = w;
    c.Values[9] = h;
    c.Calibration4Pt = 1;
    return c;
}

double MaxMiss(const TOUCH_CALIBRATION& c, const TouchPanelModel& model, int w, int h, long toldW, long toldH)
{
    double worst = 0;
    for (int y = 0; y < h; y += 37)
        for (int x = 0; x < w; x += 41) {
            long mx, my;
            MapRawToScreen(&c, toldW, toldH, PanelRawWord(model, x, y, w, h), &mx, &my);
            double ex = (double)x * (toldW ? toldW : w) / w, ey = (double)y * (toldH ? toldH : h) / h;
            worst = std::fmax(worst, std::hypot(mx - ex, my - ey));
        }
    return worst;
}

TEST(TouchMapping, FourPointCalibrationUndoesOffsetScaleAndRotation)
{
    TouchPanelModel model = DefaultTouchPanelModel();
    TOUCH_CALIBRATION c = Calibrate(model, 1024, 768);
    ASSERT_TRUE(TouchCalibrationUsable(&c));
    EXPECT_LE(MaxMiss(c, model, 1024, 768, 1024, 768), 1.5);
    EXPECT_LE(MaxMiss(c, model, 1024, 768, 0, 0), 1.5);
    // A screen that changed size since the calibration: same fractions.
    EXPECT_LE(MaxMiss(c, model, 1024, 768, 1920, 1080), 3.0);
}

TEST(TouchMapping, SwappedAndInvertedAxesAreCalibratedToo)
{
    TouchPanelModel model = DefaultTouchPanelModel();
    model.SwapXY = true;
    model.InvertY = true;
    TOUCH_CALIBRATION c = Calibrate(model, 1920, 1080);
    EXPECT_LE(MaxMiss(c, model, 1920, 1080, 1920, 1080), 1.5);
    model.SwapXY = false;
    model.InvertX = true;
    c = Calibrate(model, 800, 600);
    EXPECT_LE(MaxMiss(c, model, 800, 600, 800, 600), 1.5);
}

TEST(TouchMapping, UncalibratedPanelMissesTheFinger)
{
    TouchPanelModel model = DefaultTouchPanelModel();
    TOUCH_CALIBRATION defaults = {};
    defaults.Values[8] = defaults.Values[9] = 100;
    long x, y;
    MapRawToScreen(&defaults, 1024, 768, PanelRawWord(model, 512, 384, 1024, 768), &x, &y);
    EXPECT_GT(std::hypot(x - 512.0, y - 384.0), 20.0);
}

TEST(TouchMapping, UnusableRecordsFallBackAndResultsStayOnScreen)
{
    TouchPanelModel model = DefaultTouchPanelModel();
    TOUCH_CALIBRATION c = Calibrate(model, 1024, 768);
    long x, y;

    TOUCH_CALIBRATION flat = c; // all four corners on one raw point
    for (int i = 0; i < 8; ++i)
        flat.Values[i] = 30000;
    EXPECT_FALSE(TouchCalibrationUsable(&flat));
    MapRawToScreen(&flat, 1024, 768, RAW_POINT_WORD(65535, 0), &x, &y);
    EXPECT_EQ(1023, x);
    EXPECT_EQ(0, y);

    TOUCH_CALIBRATION line = c; // corners on one straight line
    line.Values[1] = line.Values[3] = line.Values[5] = line.Values[7] = 100;
    EXPECT_FALSE(TouchCalibrationUsable(&line));

    TOUCH_CALIBRATION noScreen = c;
    noScreen.Values[8] = 0;
    EXPECT_FALSE(TouchCalibrationUsable(&noScreen));
    noScreen.Values[8] = 0xFFFFFFFF;
    EXPECT_FALSE(TouchCalibrationUsable(&noScreen));
    MapRawToScreen(&noScreen, 0, 0, RAW_POINT_WORD(65535, 65535), &x, &y);
    EXPECT_EQ(0, x); // unusable width: a one-pixel screen

    TOUCH_CALIBRATION tiny = c; // nearly degenerate: far-off points are clamped
    tiny.Values[0] = 30000, tiny.Values[1] = 30000, tiny.Values[2] = 30001, tiny.Values[3] = 30000;
    tiny.Values[4] = 30000, tiny.Values[5] = 30001, tiny.Values[6] = 30001, tiny.Values[7] = 30001;
    ASSERT_TRUE(TouchCalibrationUsable(&tiny));
    for (DWORD raw : {RAW_POINT_WORD(0, 0), RAW_POINT_WORD(65535, 65535), RAW_POINT_WORD(0, 65535)}) {
        MapRawToScreen(&tiny, 1024, 768, raw, &x, &y);
        EXPECT_TRUE(x >= 0 && x <= 1023 && y >= 0 && y <= 767) << x << "," << y;
    }
}

}  // namespace
