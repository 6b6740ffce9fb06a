#include <windows.h>

#include "calibration_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    return RunCalibrationTool(instance, showCommand);
}
