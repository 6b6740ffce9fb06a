// The demo's scripted user (tools/demo without a display): the package's road
// with a screenshot of each screen, ending with the calibration record and
// the touch error before and after calibration.
//   demo_user.exe PACKAGE_FOLDER SCREENSHOT_FOLDER
// Exit code 0 when the whole road was driven, else the number of the step
// that failed.
#include <windows.h>

#include <cstdio>

#include "package_road.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: demo_user.exe PACKAGE_FOLDER SCREENSHOT_FOLDER\n");
        return 100;
    }
    ShotFolder = argv[2];
    CreateDirectoryA(argv[2], nullptr);
    int failed = DriveInstaller(argv[1]);
    if (failed == 0)
        failed = DriveCalibration();
    Say(failed == 0 ? "demo: the whole road was driven" : "demo: stopped");
    return failed;
}
