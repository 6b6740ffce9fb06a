// Figures of the calibration tool, printed as "BENCH <name> <value> <unit>"
// lines (run through tools/bench-calibrate):
//   calibrate_start_to_first_cross   process start to the first cross on the screen
//   calibrate_commit                 one commit whose values read back at once
//   calibrate_commit_reads           registry reads of that commit
//   calibrate_restore                one restore whose values read back at once
//   calibrate_working_set            the running tool at its first cross
// Start-up and memory are the median of several runs of the real program
// against the stand-in driver; commit and restore run in this process.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "calibration_app.h"
#include "calibration_record.h"
#include "parameter_store.h"
#include "test_support.h"
#include "tool_watch.h"
#include "touch_device.h"
#include "touchsim.h"

static double NowMs()
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

static double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

static void StartUpRuns(int runs)
{
    std::vector<double> startMs, workingSetKb;
    for (int run = 0; run < runs; ++run) {
        WatchedProcess tool;
        double started = NowMs();
        if (!StartCalibrationTool(&tool)) {
            fprintf(stderr, "bench: QuortouchUsb.exe did not start\n");
            return;
        }
        POINT centre;
        bool shown = false;
        while (NowMs() - started < 20000) {
            if (FindCrossCentre(51 * GetSystemMetrics(SM_CXSCREEN) / 1024, 38 * GetSystemMetrics(SM_CYSCREEN) / 768,
                                40, &centre)) {
                shown = true;
                break;
            }
            Sleep(1);
        }
        double elapsed = NowMs() - started;
        if (shown) {
            startMs.push_back(elapsed);
            PROCESS_MEMORY_COUNTERS memory = {};
            memory.cb = sizeof memory;
            if (GetProcessMemoryInfo(tool.Process, &memory, sizeof memory))
                workingSetKb.push_back(memory.WorkingSetSize / 1024.0);
        } else {
            fprintf(stderr, "bench: no cross within 20 s (run %d)\n", run + 1);
        }
        HWND window = WaitForTopWindow(CalibrationClassName, nullptr, 2000, tool.Id);
        if (window != nullptr) {
            SetForegroundWindow(window);
            PressKey(VK_ESCAPE);
        }
        FinishWatched(&tool, 10000);
    }
    if (startMs.empty())
        return;
    printf("BENCH calibrate_start_to_first_cross %.1f ms\n", Median(startMs));
    if (!workingSetKb.empty())
        printf("BENCH calibrate_working_set %.0f KiB\n", Median(workingSetKb));
}

static void RecordRuns(int runs)
{
    std::vector<double> commitMs, restoreMs;
    unsigned long commitReads = 0;
    for (int run = 0; run < runs; ++run) {
        unsigned long reads = ParameterReadCount;
        double started = NowMs();
        CommitCalibrationRecord(4660, 22136, 60001 + run, 3002, 3003, 59004, 61005, 62006, 1024, 768);
        commitMs.push_back(NowMs() - started);
        commitReads = ParameterReadCount - reads;
        started = NowMs();
        RestoreCalibrationRecord(1200, 1300, 64000 - run, 1400, 1500, 63000, 62000, 61000, 800, 600, 1);
        restoreMs.push_back(NowMs() - started);
    }
    printf("BENCH calibrate_commit %.2f ms\n", Median(commitMs));
    printf("BENCH calibrate_commit_reads %lu reads\n", commitReads);
    printf("BENCH calibrate_restore %.2f ms\n", Median(restoreMs));
}

int main()
{
    DeviceHandle = TouchSimOpenDevice();
    if (DeviceHandle == INVALID_HANDLE_VALUE) {
        if (WriteParameterDefaults() != 0 || TouchSimInstallDriver(TouchSimStandInDirectory(TestBinDir())) != 0) {
            fprintf(stderr, "bench: the stand-in driver could not be installed\n");
            return 1;
        }
        DeviceHandle = TouchSimOpenDevice();
    }
    if (WriteParameterDefaults() != 0)
        return 1;
    StartUpRuns(5);
    RecordRuns(20);
    return 0;
}
