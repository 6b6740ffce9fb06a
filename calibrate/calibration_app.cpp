#include "calibration_app.h"

#include "os_class.h"

int RunCalibrationTool(HINSTANCE, int)
{
    OsClass = ComputeOsClass();
    return 0;
}
