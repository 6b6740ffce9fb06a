// The full-screen calibration window: four crosses, then the check screen.
#pragma once
#include <windows.h>

// 1 to 4: that cross is shown and its touch awaited; 0: the check screen.
extern int CalibrationState;

struct RawPoint {
    int X;
    int Y;
};
// Raw controller positions of the touches at crosses 1 to 4.
extern RawPoint RawPoints[4];

// The record as the parameter key held it when the window was created, and
// its Calibration4Pt.
extern int SavedRecord[10];
extern int SavedFourPoint;

// Cross centres in 1/2048 of the screen width (x) or height (y): CROSS_NEAR
// and CROSS_FAR.
extern const int CrossPositionTable[2];

constexpr UINT_PTR CalibrationTimerId = 1;
constexpr UINT CalibrationTimeoutMs = 30000;

// Centre of the cross of state 1..4 on a screen of the given size.
POINT CrossPosition(int state, int screenWidth, int screenHeight);

LRESULT CALLBACK CalibrationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
