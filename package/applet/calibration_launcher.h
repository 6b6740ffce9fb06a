// Starts the calibration tool from the applet.
#pragma once
#include <windows.h>

#include <cstddef>

// The calibration tool the applet starts: the system copy
// "<system directory>\QuortouchUsb.exe" when it exists, else the one beside
// the applet. False when neither exists (path then names the system copy).
bool FindCalibrationTool(char* path, size_t size);

// Starts the calibration tool (not waited for). 0 on success, else the error
// code, which the caller shows.
DWORD StartCalibrationTool(HWND owner);

extern const char CalibrationStartFailedFormat[];
