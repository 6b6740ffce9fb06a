// The calibration tool from process start to the end of its message loop,
// and the process-wide values that start-up sets for the calibration window.
#pragma once
#include <windows.h>

// Display size measured at start-up ("DISPLAY" HORZRES and VERTRES).
extern int ScreenWidth;
extern int ScreenHeight;

// Bitmaps IDB_CROSS, IDB_CHECK_MARK and IDB_FINGER, loaded at start-up; the
// window frees them.
extern HBITMAP CrossBitmap;
extern HBITMAP CheckMarkBitmap;
extern HBITMAP FingerBitmap;

extern const char CalibrationClassName[]; // "Ostrel"

// Start-up, the calibration window and its message loop. The result is the
// process exit code: -1 without rights or device link, otherwise 0.
int RunCalibrationTool(HINSTANCE instance, int showCommand);
