// Whole runs of the calibration tool against the stand-in driver: the driver
// installed into the test's prefix, the tool started as a process of its
// own, crosses found on the screen and touched through the simulator.
#pragma once
#include <windows.h>

#include <string>

#include "tool_watch.h"
#include "touchsim.h"

// Installs the stand-in driver from the build tree once per test program and
// opens the device; the handle stays open. INVALID_HANDLE_VALUE on failure.
HANDLE StandInDevice();
TOUCH_SIM_STATE DriverState(HANDLE device);

// Waits for the cross near `expected` (40 pixels around it), checks that its
// centre is exactly there, touches it and returns the raw word of the touch.
// False (with a gtest failure) when no cross shows there.
bool TouchCrossAt(HANDLE device, POINT expected, DWORD* rawWord, const TouchPanelModel* model = nullptr);

// The "OK" and "Adjust Again" buttons of the calibration window.
HWND FindButton(HWND window, const char* text);
// Waits until both buttons of the check screen are visible.
bool WaitForCheckScreen(HWND window, DWORD timeoutMs = 10000);
// Presses the button through the simulator: a finger at its centre, on the
// panel of the given model (the default when null).
void TouchButton(HANDLE device, HWND button, const TouchPanelModel* model = nullptr);

// Whether the cursor of the foreground thread shows (GetCursorInfo).
bool CursorShowing();
// Brings the window to the front and presses the key there.
void PressKeyIn(HWND window, WORD virtualKey);
