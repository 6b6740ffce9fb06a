/* The raw-to-screen mapping of the stand-in touch driver (see touch_mapping.h). */
#include "touch_mapping.h"

#include "calibration_crosses.h"

#define RAW_MAX 65535
/* Intermediate screen positions carry 4 fraction bits. */
#define FRACTION 16

typedef long long i64;

/* n / d rounded to the nearest integer, halves away from zero; d > 0. */
static i64 DivRound(i64 n, i64 d)
{
    return n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
}

static long Clamp(i64 v, long low, long high)
{
    if (v < low)
        return low;
    if (v > high)
        return high;
    return (long)v;
}

static int SideUsable(unsigned long side)
{
    return side >= 2 && side <= TOUCH_MAX_SCREEN_SIDE;
}

/* Raw edge vectors of the cross rectangle, doubled (sum of both edges). */
typedef struct FIT {
    i64 SumX, SumY;       /* sum of the four raw corners = 4 * centre */
    i64 WidthX, WidthY;   /* (TR - TL) + (BR - BL) */
    i64 HeightX, HeightY; /* (BL - TL) + (BR - TR) */
    i64 Det;              /* Width x Height, made positive */
    int Sign;             /* sign the determinant had */
} FIT;

static int MakeFit(const TOUCH_CALIBRATION* c, FIT* fit)
{
    const unsigned long* v = c->Values;
    i64 tlx = v[0], tly = v[1], trx = v[2], try_ = v[3];
    i64 blx = v[4], bly = v[5], brx = v[6], bry = v[7];
    fit->SumX = tlx + trx + blx + brx;
    fit->SumY = tly + try_ + bly + bry;
    fit->WidthX = (trx - tlx) + (brx - blx);
    fit->WidthY = (try_ - tly) + (bry - bly);
    fit->HeightX = (blx - tlx) + (brx - trx);
    fit->HeightY = (bly - tly) + (bry - try_);
    fit->Det = fit->WidthX * fit->HeightY - fit->WidthY * fit->HeightX;
    fit->Sign = fit->Det < 0 ? -1 : 1;
    if (fit->Det < 0)
        fit->Det = -fit->Det;
    return fit->Det != 0;
}

int TouchCalibrationUsable(const TOUCH_CALIBRATION* calibration)
{
    FIT fit;
    unsigned long i;
    if (calibration->Calibration4Pt != 1)
        return 0;
    if (!SideUsable(calibration->Values[8]) || !SideUsable(calibration->Values[9]))
        return 0;
    for (i = 0; i < 8; ++i)
        if (calibration->Values[i] > RAW_MAX)
            return 0;
    return MakeFit(calibration, &fit);
}

/* Position along one screen axis in 1/FRACTION pixels of the recorded
 * screen: near/far are the cross centres, cross the signed determinant-
 * scaled coordinate of the raw point along that axis. */
static i64 AxisPosition(i64 side, i64 cross, i64 det)
{
    i64 nearPx = CROSS_NEAR * side / CROSS_UNITS;
    i64 farPx = CROSS_FAR * side / CROSS_UNITS;
    /* pos = (near + far) / 2 + (far - near) * cross / (2 * det) */
    return DivRound(((nearPx + farPx) * det + (farPx - nearPx) * cross) * FRACTION, 2 * det);
}

static void MapCalibrated(const TOUCH_CALIBRATION* c, long width, long height, unsigned long raw,
                          long* x, long* y)
{
    FIT fit;
    i64 recordedW = c->Values[8], recordedH = c->Values[9];
    i64 dx, dy, s, t, px, py;
    MakeFit(c, &fit);
    /* Raw point relative to the centre, times 4. */
    dx = 4 * (i64)((raw >> 16) & 0xFFFF) - fit.SumX;
    dy = 4 * (i64)(raw & 0xFFFF) - fit.SumY;
    /* Coordinates along width and height, times 2 * det (signed). */
    s = fit.Sign * (dx * fit.HeightY - dy * fit.HeightX);
    t = fit.Sign * (fit.WidthX * dy - fit.WidthY * dx);
    px = AxisPosition(recordedW, s, fit.Det);
    py = AxisPosition(recordedH, t, fit.Det);
    /* Far off-screen positions are cut first, so that scaling can't overflow;
     * the result is clamped onto the screen anyway. */
    px = Clamp(px, -FRACTION * recordedW, 2 * FRACTION * recordedW);
    py = Clamp(py, -FRACTION * recordedH, 2 * FRACTION * recordedH);
    /* Scale onto the current screen and round to pixels. */
    *x = Clamp(DivRound(px * width, FRACTION * recordedW), 0, width - 1);
    *y = Clamp(DivRound(py * height, FRACTION * recordedH), 0, height - 1);
}

static void MapUncalibrated(long width, long height, unsigned long raw, long* x, long* y)
{
    i64 rx = (raw >> 16) & 0xFFFF, ry = raw & 0xFFFF;
    *x = Clamp(DivRound(rx * (width - 1), RAW_MAX), 0, width - 1);
    *y = Clamp(DivRound(ry * (height - 1), RAW_MAX), 0, height - 1);
}

static long ScreenSide(long told, unsigned long recorded)
{
    if (told > 0 && told <= TOUCH_MAX_SCREEN_SIDE)
        return told;
    if (recorded >= 1 && recorded <= TOUCH_MAX_SCREEN_SIDE)
        return (long)recorded;
    return 1;
}

void MapRawToScreen(const TOUCH_CALIBRATION* calibration, long screenWidth, long screenHeight,
                    unsigned long rawWord, long* x, long* y)
{
    long width = ScreenSide(screenWidth, calibration->Values[8]);
    long height = ScreenSide(screenHeight, calibration->Values[9]);
    if (TouchCalibrationUsable(calibration))
        MapCalibrated(calibration, width, height, rawWord, x, y);
    else
        MapUncalibrated(width, height, rawWord, x, y);
}
