/*
 * Where a raw touch lands on the screen: the driver's one mapping from the
 * panel's raw coordinates to screen pixels. Plain C with 64-bit integer
 * arithmetic only, so that the kernel driver and user-mode tests share it.
 *
 * Calibrated (Calibration4Pt 1, ScreenWidth and ScreenHigh 1..32767):
 *   The four recorded raw corners belong to the cross centres of
 *   calibration_crosses.h, (NEAR, NEAR), (FAR, NEAR), (NEAR, FAR), (FAR, FAR)
 *   in 1/CROSS_UNITS of the recorded screen W x H (each coordinate rounded
 *   down to a pixel). The mapping is an affine fit: the mean
 *   of the four raw corners is the raw point of the crosses' centre, the
 *   averaged top/bottom edge is the raw vector of the crosses' width and the
 *   averaged left/right edge the raw vector of their height. A raw point is
 *   mapped by solving raw = centre + s*width + t*height for (s, t). For four
 *   corners that form a parallelogram (a panel whose raw coordinates are an
 *   affine function of the screen: offset, scale, rotation, swapped or
 *   inverted axes) this is exact; otherwise it is the least-squares affine
 *   fit of the raw points over the cross rectangle. Screen points come out in
 *   pixels of the recorded screen and are scaled to the current screen size
 *   when one was told, then rounded and clamped onto the screen.
 *   Four corners whose edge vectors are parallel (no area) cannot be
 *   inverted: the uncalibrated mapping is used instead.
 *
 * Uncalibrated (Calibration4Pt 0, or an unusable record):
 *   raw 0..65535 spread linearly over the whole screen, each axis on its
 *   own: x = round(rawX * (width - 1) / 65535), likewise y with the height.
 *
 * The screen size is the one the simulator told (a kernel driver cannot
 * measure the screen); before it told one, the recorded ScreenWidth x
 * ScreenHigh is used (at least 1 x 1).
 */
#ifndef QUORTOUCH_TOUCH_MAPPING_H
#define QUORTOUCH_TOUCH_MAPPING_H

#ifdef __cplusplus
extern "C" {
#endif

#define TOUCH_RECORD_FIELDS 10
#define TOUCH_MAX_SCREEN_SIDE 32767

typedef struct TOUCH_CALIBRATION {
    /* TopLeftOffsetX, TopLeftOffsetY, TopRightOffsetX, TopRightOffsetY,
     * BottomLeftOffsetX, BottomLeftOffsetY, BottomRightOffsetX,
     * BottomRightOffsetY, ScreenWidth, ScreenHigh */
    unsigned long Values[TOUCH_RECORD_FIELDS];
    unsigned long Calibration4Pt;
} TOUCH_CALIBRATION;

/* Nonzero when the record is used as a four-point calibration. */
int TouchCalibrationUsable(const TOUCH_CALIBRATION* calibration);

/* Maps the raw word (X bits 31..16, Y bits 15..0) onto the screen of
 * screenWidth x screenHeight pixels (0 = not known: use the recorded size). */
void MapRawToScreen(const TOUCH_CALIBRATION* calibration, long screenWidth, long screenHeight,
                    unsigned long rawWord, long* x, long* y);

#ifdef __cplusplus
}
#endif

#endif
