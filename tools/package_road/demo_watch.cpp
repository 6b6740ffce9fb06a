// The demo with a person at the display (tools/demo with DISPLAY set): starts
// Install.exe, reports what happens, and after the installation makes sure
// the calibration tool runs (starting it from the installation folder when
// Setup didn't) until it ends.
//   demo_watch.exe PACKAGE_FOLDER
// Exit code 0, or the number of the step that failed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "calibration_app.h"
#include "gui_support.h"
#include "install_paths.h"
#include "package_road.h"
#include "test_support.h"

namespace {

int WatchPerson(const std::string& package)
{
    std::string program = package + "\\Install.exe";
    Say("starting %s: click through the installation", program.c_str());
    StartedProcess process;
    if (!process.Start("\"" + program + "\"", package.c_str(), program.c_str()))
        return Fail(1, "Install.exe could not be started");
    process.Wait(INFINITE);
    Say("Install.exe has ended");
    HWND window = WaitForTopWindow(CalibrationClassName, nullptr, 5000);
    if (!window) {
        // Where the installer put it.
        ComputeInstallPaths();
        char tool[MAX_PATH];
        FormatInstallPath(tool, "QuortouchUsb.exe");
        Say("starting the calibration tool %s", tool);
        StartedProcess calibration;
        if (!calibration.Start(std::string("\"") + tool + "\"", InstallDirectory, tool))
            return Fail(8, "the calibration tool could not be started (was the installation completed?)");
        calibration.Wait(INFINITE);
    } else {
        Say("calibration tool is up: touch (click) the four crosses");
        WaitForWindowGone(window, INFINITE);
    }
    Say("calibration tool has ended");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: demo_watch.exe PACKAGE_FOLDER\n");
        return 100;
    }
    return WatchPerson(argv[1]);
}
