// Drives the package's installation and a calibration the way a user would,
// on the display it runs on: Install.exe from the package folder, Welcome,
// Next, the steps, Finish, No to the restart, then the calibration tool with
// four simulated touches and "OK". Prints each step, saves a screenshot per
// screen, and ends with the calibration record and the touch error before
// and after calibration.
//   demo_driver.exe PACKAGE_FOLDER SCREENSHOT_FOLDER
//   demo_driver.exe --watch PACKAGE_FOLDER
//   demo_driver.exe --bench PACKAGE_FOLDER
// With --bench the road runs without screenshots, the package programs are
// started once more each, the package is uninstalled again, and the figures
// are printed as "BENCH <name> <value> <unit>" lines.
// With --watch a person drives: the program starts Install.exe, reports what
// appears, and after the installation makes sure the calibration tool runs
// (starting it from the installation folder when Setup didn't) until it ends.
// Exit code 0 when the whole road was driven, else the number of the step
// that failed.
#include <windows.h>

#include <psapi.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "bounded_format.h"
#include "calibration_app.h"
#include "calibration_window.h"
#include "gui_support.h"
#include "message_boxes.h"
#include "resource_ids.h"
#include "parameter_store.h"
#include "test_support.h"
#include "touchsim.h"

namespace {

std::string ShotFolder;
bool Bench = false;
int ShotNumber = 0;
DWORD StartTick;

void Say(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
void Say(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    FormatBoundedV(text, sizeof(text), format, args);
    va_end(args);
    printf("[%6.1f s] %s\n", (GetTickCount() - StartTick) / 1000.0, text);
    fflush(stdout);
}

// A screenshot once the window's due paint is done (the foreground window's
// when none is named). Saved as a bitmap, which tools/demo turns into the
// PNG that the log names.
void Shot(const char* name, HWND window = nullptr)
{
    if (Bench)
        return;
    if (HWND shown = window ? window : GetForegroundWindow())
        WaitForPaint(shown);
    char file[MAX_PATH], kept[MAX_PATH];
    ++ShotNumber;
    if (!FormatInto(file, "%s\\%02d-%s.bmp", ShotFolder.c_str(), ShotNumber, name) ||
        !FormatInto(kept, "%02d-%s.png", ShotNumber, name))
        return;
    Say("screenshot %s: %s", name, SaveScreenBmp(file) ? kept : "FAILED");
}

// A message box of the given caption whose text starts with prefix.
HWND WaitMessageBox(const char* caption, const char* prefix, DWORD timeoutMs)
{
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindMessageBox(caption)) != nullptr && MessageBoxText(box).rfind(prefix, 0) == 0; },
              timeoutMs);
    return box;
}

bool WaitEnabled(HWND control, DWORD timeoutMs)
{
    return WaitUntil([&] { return IsWindowEnabled(control) != FALSE; }, timeoutMs);
}

// The peak working set of a running process, in KiB; 0 when unknown.
unsigned long PeakKiB(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, &counters, sizeof(counters)))
        return 0;
    return static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024);
}

void ReportPeak(const char* program, HANDLE process)
{
    if (Bench)
        printf("BENCH peak_memory_%s %lu KiB\n", program, PeakKiB(process));
}

void ReportPeakOfWindow(const char* program, HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
    if (process) {
        ReportPeak(program, process);
        CloseHandle(process);
    }
}

struct TouchError {
    double Mean, Max;
};

// Where the driver's loaded calibration puts a finger, against where the
// finger is, over a 5 x 5 grid of the screen.
bool MeasureTouchError(HANDLE device, TouchError* error)
{
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    TouchPanelModel model = DefaultTouchPanelModel();
    double sum = 0, worst = 0;
    int count = 0;
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) {
            int x = width / 10 + i * (width * 8 / 10) / 4;
            int y = height / 10 + j * (height * 8 / 10) / 4;
            POINT mapped;
            if (!TouchSimMapPoint(device, PanelRawWord(model, x, y, width, height), &mapped))
                return false;
            double distance = std::hypot(double(mapped.x - x), double(mapped.y - y));
            sum += distance;
            worst = distance > worst ? distance : worst;
            ++count;
        }
    }
    error->Mean = sum / count;
    error->Max = worst;
    return true;
}

int Fail(int step, const char* what)
{
    Say("FAILED at step %d: %s", step, what);
    return step;
}

int DriveInstaller(const std::string& package)
{
    std::string program = package + "\\Install.exe";
    Say("step 1: starting %s", program.c_str());
    StartedProcess process;
    if (!process.Start("\"" + program + "\"", package.c_str(), program.c_str()))
        return Fail(1, "Install.exe could not be started");

    if (!WaitForTopWindow("INSTALL", nullptr, 20000))
        return Fail(2, "no main window of class INSTALL");
    Say("step 2: main window \"Quortouch USB Touchscreen Setup\" is up");
    HWND welcome = WaitForTopWindow("#32770", "Quortouch USB Touchscreen Setup(Welcome)", 20000);
    if (!welcome)
        return Fail(3, "no Welcome dialog");
    Say("step 3: Welcome dialog");
    Shot("welcome", welcome);
    Say("step 4: Next");
    ClickControl(GetDlgItem(welcome, IDC_NEXT));
    DWORD nextTick = GetTickCount();

    HWND progress = WaitForTopWindow("#32770", "Quortouch USB Touchscreen Setup (Progressing...)", 20000);
    if (!progress)
        return Fail(4, "no Progress dialog after Next");
    Say("step 5: Progress dialog; the steps run");
    DWORD progressTick = GetTickCount();
    const struct {
        int Id;
        const char* Text;
    } lines[] = {{IDC_STATUS_FILES, "files copied"},
                 {IDC_STATUS_DEVICE, "driver registered"},
                 {IDC_STATUS_LINKS, "shortcuts created"}};
    for (const auto& status : lines) {
        if (!WaitEnabled(GetDlgItem(progress, status.Id), 120000))
            return Fail(5, status.Text);
        Say("        %s", status.Text);
        if (status.Id == IDC_STATUS_FILES)
            Shot("progress");
    }
    HWND finish = GetDlgItem(progress, IDC_FINISH);
    if (!WaitEnabled(finish, 20000))
        return Fail(6, "Finish never enabled");
    if (Bench) {
        // From the click on Next; under Wine on a display without a window
        // manager this includes about 2 s in which Wine waits for the
        // Welcome dialog's X window to be withdrawn.
        printf("BENCH install_next_to_finish %lu ms\n", static_cast<unsigned long>(GetTickCount() - nextTick));
        printf("BENCH install_progress_to_finish %lu ms\n", static_cast<unsigned long>(GetTickCount() - progressTick));
        printf("BENCH install_timer_floor 400 ms\n"); // four ticks of 100 ms
    }
    Shot("progress-done");
    Say("step 6: Finish");
    ClickControl(finish);

    HWND question = WaitMessageBox("Quortouch USB Touchscreen Setup", "To make the installation vaild", 20000);
    if (!question)
        return Fail(7, "no restart question");
    Say("step 7: restart question");
    Shot("restart-question");
    ReportPeak("Install.exe", process.Handle());
    Say("        No");
    ClickControl(GetDlgItem(question, IDNO));
    int code = process.Wait(30000);
    if (code == -999)
        return Fail(7, "Install.exe did not end");
    Say("        Install.exe ended with exit code %d", code);
    return 0;
}

int DriveCalibration()
{
    HWND window = WaitForTopWindow(CalibrationClassName, nullptr, 30000);
    if (!window)
        return Fail(8, "the calibration tool did not come up (no window of class Ostrel)");
    Say("step 8: calibration tool is up");
    HANDLE device = TouchSimOpenDevice();
    if (device == INVALID_HANDLE_VALUE)
        return Fail(8, "the touch device does not open");
    TouchSimSetScreenFromSystem(device);
    TouchError before = {}, after = {};
    bool measuredBefore = MeasureTouchError(device, &before);
    if (measuredBefore)
        Say("        touch error before calibration: mean %.1f px, max %.1f px", before.Mean, before.Max);

    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const char* corners[4] = {"top left", "top right", "bottom left", "bottom right"};
    for (int touch = 0; touch < 4; ++touch) {
        POINT cross = CrossPosition(touch + 1, width, height);
        int x = cross.x, y = cross.y;
        char name[32];
        FormatInto(name, "cross-%d", touch + 1);
        Shot(name);
        TOUCH_SIM_STATE state = {};
        TouchSimGetState(device, &state);
        unsigned long readsBefore = state.RawReadCount;
        TouchResult result;
        if (!TouchSimTouch(device, x, y, &result))
            return Fail(9, "a simulated touch failed");
        // The tool reads the raw point of this touch before the next is set.
        WaitUntil([&] { return TouchSimGetState(device, &state) && state.RawReadCount > readsBefore; }, 5000);
        Say("step 9.%d: touch at the %s cross (%d, %d): raw (%u, %u)", touch + 1, corners[touch], x, y,
            RAW_POINT_X(result.RawWord), RAW_POINT_Y(result.RawWord));
    }
    HWND ok = nullptr;
    if (!WaitUntil([&] { return (ok = FindWindowExA(window, nullptr, "Button", "OK")) && IsWindowVisible(ok); }, 10000))
        return Fail(10, "no check screen with OK");
    Say("step 10: check screen");
    ReportPeakOfWindow("QuortouchUsb.exe", window);
    Shot("check-screen");
    RECT rect;
    GetWindowRect(ok, &rect);
    TouchResult result;
    Say("step 11: touch \"OK\"");
    TouchSimTouch(device, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2, &result);
    if (!WaitUntil([&] { return !IsWindow(window); }, 10000))
        return Fail(11, "the calibration window did not close on OK");
    Say("        calibration tool closed");

    if (KeyExists(HKEY_LOCAL_MACHINE, ParameterKey)) {
        Say("calibration record in HKLM\\%s:", ParameterKey);
        for (const char* name : CalibrationRecord) {
            DWORD value = 0;
            ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, name, &value);
            Say("        %-20s %lu", name, static_cast<unsigned long>(value));
        }
        DWORD flag = 0;
        ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationFlag, &flag);
        Say("        %-20s %lu", CalibrationFlag, static_cast<unsigned long>(flag));
    }
    if (MeasureTouchError(device, &after) && measuredBefore) {
        Say("touch error before calibration: mean %.1f px, max %.1f px", before.Mean, before.Max);
        Say("touch error after calibration:  mean %.1f px, max %.1f px", after.Mean, after.Max);
    }
    CloseHandle(device);
    return 0;
}

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
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof(windows));
    std::string folder = std::string(windows) + "\\QuortouchUSB";
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
        char windows[MAX_PATH] = {}, tool[MAX_PATH], folder[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof(windows));
        FormatInto(tool, "%s\\QuortouchUSB\\QuortouchUsb.exe", windows);
        FormatInto(folder, "%s\\QuortouchUSB", windows);
        Say("starting the calibration tool %s", tool);
        StartedProcess calibration;
        if (!calibration.Start(std::string("\"") + tool + "\"", folder, tool))
            return Fail(8, "the calibration tool could not be started (was the installation completed?)");
        calibration.Wait(INFINITE);
    } else {
        Say("calibration tool is up: touch (click) the four crosses");
        WaitForWindowGone(window, INFINITE);
    }
    Say("calibration tool has ended");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    StartTick = GetTickCount();
    if (argc == 3 && strcmp(argv[1], "--watch") == 0)
        return WatchPerson(argv[2]);
    if (argc == 3 && strcmp(argv[1], "--bench") == 0) {
        Bench = true;
        int failed = DriveInstaller(argv[2]);
        if (failed == 0)
            failed = DriveCalibration();
        if (failed == 0)
            failed = MeasureInstalledPrograms();
        return failed;
    }
    if (argc != 3) {
        fprintf(stderr, "usage: demo_driver.exe PACKAGE_FOLDER SCREENSHOT_FOLDER | --watch PACKAGE_FOLDER\n");
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
