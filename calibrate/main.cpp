#include <windows.h>

#include "calibration_app.h"
#include "library_search.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    // DLLs come from the system directory, never from the folder the program
    // was started from.
    RestrictLibrarySearch();
    return RunCalibrationTool(instance, showCommand);
}
