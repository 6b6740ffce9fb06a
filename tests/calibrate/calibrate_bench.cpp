// Figures of the calibration tool, printed as "BENCH <name> <value> <unit>"
// lines (run through tools/bench-calibrate):
//   calibrate_start_to_first_cross   process start to the first cross on the screen
//   calibrate_commit                 one commit whose values read back at once
//   calibrate_commit_reads           registry reads of that commit
//   calibrate_restore                one restore whose values read back at once
//   calibrate_working_set            the running tool at its first cross
//   calibrate_start_fastest          the fastest of those runs
//   bare_window_start_fastest        the same for a bare window that draws
//                                    only the cross (tests/bench/bare_window),
//                                    and with our tool's start-up work and
//                                    manifest added (bare_window_plus_...)
//   calibrate_start_vs_bare_window   our fastest start over the bare window's
// Start-up and memory are the median of several runs of the real program
// against the stand-in driver; commit and restore run in this process.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "calibration_app.h"
#include "calibration_record.h"
#include "parameter_store.h"
#include "test_support.h"
#include "tool_watch.h"
#include "touch_device.h"
#include "touchsim.h"

// Waits until no cross shows at the first cross's place (the previous
// program's window is gone from the screen). False after 10 s.
static bool FirstCrossPlaceClear()
{
    POINT centre;
    int x = 51 * GetSystemMetrics(SM_CXSCREEN) / 1024, y = 38 * GetSystemMetrics(SM_CYSCREEN) / 768;
    for (double start = NowMs(); NowMs() - start < 10000; Sleep(10))
        if (!FindCrossCentre(x, y, 40, &centre))
            return true;
    return false;
}

// Milliseconds from `started` to the first cross on the screen, or -1 when
// none came within 20 s.
static double TimeToFirstCross(double started)
{
    POINT centre;
    int x = 51 * GetSystemMetrics(SM_CXSCREEN) / 1024, y = 38 * GetSystemMetrics(SM_CYSCREEN) / 768;
    while (NowMs() - started < 20000) {
        if (FindCrossCentre(x, y, 40, &centre))
            return NowMs() - started;
        Sleep(1);
    }
    return -1;
}

// Ends the program as its user would, with Escape on its window.
static void CloseWithEscape(WatchedProcess* process, const char* className)
{
    HWND window = WaitForTopWindow(className, nullptr, 2000, process->Id());
    if (window != nullptr) {
        SetForegroundWindow(window);
        PressKey(VK_ESCAPE);
    }
    FinishWatched(process, 10000);
}

// One program whose start to its first cross is timed.
struct CrossStarter {
    const char* Figure;     // the BENCH name of its median
    std::string Command;    // empty: our tool
    const char* ClassName;  // of its full-screen window
    std::vector<double> Ms;
};

// Our tool's start to its first cross and, in the same rounds, the bare
// window's (tests/bench/bare_window.exe: the same cross bitmap on a
// full-screen topmost window, nothing else). Then what the difference is
// made of: the bare window with the pieces of our tool's start-up added
// (device, registry, screen DC, buttons, text), with our tool's manifest,
// and with both. Our tool and the bare window run next to each other in each
// round, in turns first.
static void StartUpRuns(int runs)
{
    const std::string bare = "\"" + JoinPath(TestBinDir(), "tests\\bench\\bare_window.exe") + "\"";
    const std::string manifest =
        "\"" + JoinPath(TestBinDir(), "tests\\bench\\bare_window_with_manifest.exe") + "\"";
    std::vector<CrossStarter> starters = {
        {"calibrate_start_fastest", "", CalibrationClassName, {}},
        {"bare_window_start_fastest", bare, "BareCross", {}},
        {"bare_window_plus_start_up_work_fastest", bare + " drsbt", "BareCross", {}},
        {"bare_window_plus_manifest_fastest", manifest, "BareCross", {}},
        {"bare_window_plus_manifest_and_work_fastest", manifest + " drsbt", "BareCross", {}},
    };
    std::vector<double> workingSetKb;
    for (int run = 0; run < runs; ++run) {
        for (size_t turn = 0; turn < starters.size(); ++turn) {
            size_t index = turn < 2 ? (turn + run) % 2 : 2 + (turn - 2 + run) % (starters.size() - 2);
            CrossStarter& starter = starters[index];
            bool ours = index == 0;
            if (!FirstCrossPlaceClear())
                fprintf(stderr, "bench: a cross stayed on the screen (run %d)\n", run + 1);
            WatchedProcess process;
            double started = NowMs();
            if (ours ? !StartCalibrationTool(&process) : !StartWatched(starter.Command, &process)) {
                fprintf(stderr, "bench: %s did not start\n", starter.Figure);
                return;
            }
            double elapsed = TimeToFirstCross(started);
            if (elapsed < 0) {
                fprintf(stderr, "bench: %s: no cross within 20 s (run %d)\n", starter.Figure, run + 1);
            } else {
                starter.Ms.push_back(elapsed);
                PROCESS_MEMORY_COUNTERS memory = {};
                memory.cb = sizeof memory;
                if (ours && GetProcessMemoryInfo(process.Handle(), &memory, sizeof memory))
                    workingSetKb.push_back(memory.WorkingSetSize / 1024.0);
            }
            CloseWithEscape(&process, starter.ClassName);
        }
    }
    // Every run on stderr; on stdout our median as before and each program's
    // fastest run: on a shared machine a run slowed by other work says nothing
    // about the program, so the ratio compares the fastest runs.
    for (const CrossStarter& starter : starters) {
        fprintf(stderr, "%s:", starter.Figure);
        for (double ms : starter.Ms)
            fprintf(stderr, " %.0f", ms);
        fprintf(stderr, "\n");
    }
    if (starters[0].Ms.empty())
        return;
    printf("BENCH calibrate_start_to_first_cross %.1f ms\n", Median(starters[0].Ms));
    if (!workingSetKb.empty())
        printf("BENCH calibrate_working_set %.0f KiB\n", Median(workingSetKb));
    for (const CrossStarter& starter : starters)
        if (!starter.Ms.empty())
            printf("BENCH %s %.1f ms\n", starter.Figure, Fastest(starter.Ms));
    if (!starters[1].Ms.empty())
        printf("BENCH calibrate_start_vs_bare_window %.2f ratio\n", Fastest(starters[0].Ms) / Fastest(starters[1].Ms));
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
    StartUpRuns(11);
    RecordRuns(20);
    return 0;
}
