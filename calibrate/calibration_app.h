// The calibration tool from process start to the end of its message loop.
#pragma once
#include <windows.h>

int RunCalibrationTool(HINSTANCE instance, int showCommand);
