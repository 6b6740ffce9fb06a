// The package's road driven like a user; see package_road.h.
#include "package_road.h"

#include <psapi.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "bounded_format.h"
#include "calibration_app.h"
#include "calibration_window.h"
#include "gui_support.h"
#include "message_boxes.h"
#include "parameter_store.h"
#include "resource_ids.h"
#include "test_support.h"
#include "touchsim.h"

std::string ShotFolder;
bool PrintFigures = false;

namespace {

const DWORD StartTick = GetTickCount();
int ShotNumber = 0;

// A screenshot once the window's due paint is done (the foreground window's
// when none is named). Saved as a bitmap, which tools/demo turns into the
// PNG that the log names.
void Shot(const char* name, HWND window = nullptr)
{
    if (ShotFolder.empty())
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

}  // namespace

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

int Fail(int step, const char* what)
{
    Say("FAILED at step %d: %s", step, what);
    return step;
}

// A message box of the given caption whose text starts with prefix.
HWND WaitMessageBox(const char* caption, const char* prefix, DWORD timeoutMs)
{
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindMessageBox(caption)) != nullptr && MessageBoxText(box).rfind(prefix, 0) == 0; },
              timeoutMs);
    return box;
}

void ReportPeak(const char* program, HANDLE process)
{
    if (PrintFigures)
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
    if (PrintFigures) {
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
