#include <windows.h>

#include "calibration_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    // DLLs are loaded from the system directory only, never from the folder
    // the program was started from.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return RunCalibrationTool(instance, showCommand);
}
