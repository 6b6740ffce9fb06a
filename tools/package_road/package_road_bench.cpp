// The package road's figures for tools/bench: the road without screenshots,
// each package program started once more for its peak memory, and "/u" from
// Yes to the restart question. Prints "BENCH <name> <value> <unit>" lines.
//   package_road_bench.exe PACKAGE_FOLDER
// Exit code 0, or the number of the step that failed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "gui_support.h"
#include "install_paths.h"
#include "package_road.h"
#include "test_support.h"

namespace {

// Starts a program, waits for its window, reports its peak memory and
// closes it again.
void MeasureProgram(const char* name, const std::string& commandLine, const char* className, const char* title)
{
    StartedProcess process;
    if (!process.Start(commandLine)) {
        Say("%s could not be started", name);
        return;
    }
    HWND window = WaitForTopWindow(className, title, 20000);
    if (window) {
        ReportPeakOfWindow(name, window);
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    process.Wait(10000);
}

int MeasureInstalledPrograms()
{
    // Where the installer put them.
    ComputeInstallPaths();
    std::string folder = InstallDirectory;
    MeasureProgram("RBtn.exe", "\"" + folder + "\\RBtn.exe\"", "QuortouchRightButton", "Right Button");
    MeasureProgram("Write.exe", "\"" + folder + "\\Write.exe\"", nullptr, "HandWritting Demo");
    MeasureProgram("control.exe_QuortouchUsb.cpl", "control.exe \"" + folder + "\\QuortouchUsb.cpl\"", "#32770",
                   "Quortouch USB Touchscreen");

    std::string program = folder + "\\Install.exe";
    StartedProcess process;
    if (!process.Start("\"" + program + "\" /u", folder.c_str(), program.c_str()))
        return Fail(12, "Install.exe /u could not be started");
    HWND sure = WaitMessageBox("Quortouch USB Touchscreen Uninstall", "Are you sure to uninstall", 20000);
    if (!sure)
        return Fail(12, "no uninstall question");
    ClickControl(GetDlgItem(sure, IDYES));
    DWORD yesTick = GetTickCount();
    HWND restart = WaitMessageBox("Quortouch USB Touchscreen Uninstall", "To make the uninstallation valid", 60000);
    if (!restart)
        return Fail(13, "no restart question after the uninstallation");
    printf("BENCH uninstall %lu ms\n", static_cast<unsigned long>(GetTickCount() - yesTick));
    ReportPeak("Install.exe_/u", process.Handle());
    ClickControl(GetDlgItem(restart, IDNO));
    process.Wait(20000);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: package_road_bench.exe PACKAGE_FOLDER\n");
        return 100;
    }
    PrintFigures = true;
    int failed = DriveInstaller(argv[1]);
    if (failed == 0)
        failed = DriveCalibration();
    if (failed == 0)
        failed = MeasureInstalledPrograms();
    return failed;
}
