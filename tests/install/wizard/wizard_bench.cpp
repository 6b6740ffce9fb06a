// Timings of Install.exe, printed as "BENCH <name> <value> <unit>" lines
// (tools/bench-install). Not a test: it asserts nothing about the figures.
//
// - install_next_to_finish: from the press of Next to Finish enabled.
// - setup_tool_alone: the stand-in setup tool's "setup" run on its own,
//   under the same conditions (driver file already in place).
// - install_floor: the four 100 ms ticks of the step timer plus that run.
// - install_overhead: what the wizard adds above the floor.
// - uninstall_removal: from "Yes" to the confirmation to the restart
//   question of "/u"; remove_tool_alone: the tool's removal run on its own.
//
// Against floors measured in the same rounds, from the fastest round of each
// figure (a round slowed by other work on a shared machine says nothing about
// the program):
// - install_next_to_finish_vs_floor: Next to Finish over the four ticks plus
//   the setup tool alone plus the five links saved by a bare program
//   (tests/bench/bare_links, one round in a fresh process, as the wizard does);
//   install_stage_*: Next to each status line and on to Finish, what the
//   difference is made of.
// - uninstall_vs_floor: the "/u" removal over the tool's removal alone plus
//   the removal's file and registry work done by a bare program
//   (tests/bench/bare_removal).
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "installer_run.h"
#include "test_support.h"
#include "touchsim.h"

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double NowMs()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return counter.QuadPart * 1000.0 / frequency.QuadPart;
}

void Print(const char* name, double value, const char* unit)
{
    printf("BENCH %s %.1f %s\n", name, value, unit);
    fflush(stdout);
}

double Fastest(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

// From Next to the files line (the Progress dialog, a tick, the copies), on to
// the device line (a tick, the driver), the links line (a tick, the links) and
// Finish (a tick).
const char* const StageFigures[4] = {"install_stage_files", "install_stage_driver", "install_stage_links",
                                     "install_stage_finish"};

// One install through the wizard; the time from Next to Finish enabled, and
// of its four stages when stages is given.
bool TimedInstall(double* nextToFinish, double* stages = nullptr)
{
    InstallerProcess installer;
    if (!StartInstaller(JoinPath(PackageDirectory(), "Install.exe"), "", &installer))
        return false;
    HWND welcome = WaitForWelcome(installer);
    if (welcome == nullptr)
        return WaitInstaller(&installer, 1), false;
    double next = NowMs();
    PostMessageA(welcome, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(welcome, 1002)));
    HWND progress = nullptr;
    WaitUntil([&] { return (progress = FindTopWindow("#32770", ProgressTitle, installer.Id)) != nullptr; }, 30000);
    if (progress == nullptr)
        return WaitInstaller(&installer, 1), false;
    double shown = NowMs();
    HWND finish = GetDlgItem(progress, 1003);
    double enabled = 0;
    const int lines[] = {1005, 1004, 1006};
    double lineAt[3] = {};
    for (DWORD start = GetTickCount(); GetTickCount() - start < 60000;) {
        for (int i = 0; i < 3; ++i)
            if (lineAt[i] == 0 && IsWindowEnabled(GetDlgItem(progress, lines[i])))
                lineAt[i] = NowMs();
        if (IsWindowEnabled(finish)) {
            enabled = NowMs();
            break;
        }
        Sleep(1);  // leaves the cores to the installer and the Wine server
    }
    fprintf(stderr, "ms after Next: dialog %.0f, 1005 %.0f, 1004 %.0f, 1006 %.0f, Finish %.0f\n", shown - next,
            lineAt[0] - next, lineAt[1] - next, lineAt[2] - next, enabled - next);
    if (enabled == 0)
        return WaitInstaller(&installer, 1), false;
    *nextToFinish = enabled - next;
    if (stages != nullptr) {
        stages[0] = lineAt[0] - next;
        stages[1] = lineAt[1] - lineAt[0];
        stages[2] = lineAt[2] - lineAt[1];
        stages[3] = enabled - lineAt[2];
    }
    PressButton(progress, 1003);
    HWND question = WaitForMessageBox(SetupTitle, 30000, installer.Id);
    if (question == nullptr || !PressButton(question, IDNO))
        return WaitInstaller(&installer, 1), false;
    if (WaitInstaller(&installer) != 0)
        return false;
    HWND tool = WaitForCalibrationWindow();
    return tool != nullptr && CloseCalibrationTool(tool);
}

// "/u" from the install directory; the time from Yes to the restart question.
bool TimedRemoval(double* removal)
{
    InstallerProcess installer;
    if (!StartInstaller(JoinPath(InstallDirectoryPath(), "Install.exe"), "/u", &installer))
        return false;
    HWND confirm = WaitForMessageBox(UninstallTitle, 20000, installer.Id);
    if (confirm == nullptr)
        return WaitInstaller(&installer, 1), false;
    double yes = NowMs();
    PressButton(confirm, IDYES);
    HWND question = nullptr;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 60000 && question == nullptr;) {
        HWND box = FindTopWindow("#32770", UninstallTitle, installer.Id);
        if (box != nullptr && box != confirm)
            question = box;
        Sleep(1);
    }
    if (question == nullptr)
        return WaitInstaller(&installer, 1), false;
    *removal = NowMs() - yes;
    PressButton(question, IDNO);
    return WaitInstaller(&installer) == 0;
}

// The setup tool's install and removal runs alone, with the driver file in
// System32\drivers as the wizard's first step leaves it.
bool TimedToolAlone(double* setup, double* remove)
{
    std::string driver = JoinPath(WindowsDir(), "System32\\Drivers\\QuorUsb.sys");
    CopyFileA(JoinPath(PackageDirectory(), "QuorUsb.sys").c_str(), driver.c_str(), FALSE);
    double start = NowMs();
    int code = TouchSimInstallDriver(PackageDirectory());
    *setup = NowMs() - start;
    start = NowMs();
    int removed = TouchSimRemoveDriver(PackageDirectory());
    *remove = NowMs() - start;
    DeleteFileA(driver.c_str());
    return code == 0 && removed == 0;
}

// The tool's removal started as "/u" starts it, through the shell, with the
// driver installed just before (not timed).
bool TimedShellRemoval(double* remove)
{
    std::string driver = JoinPath(WindowsDir(), "System32\\Drivers\\QuorUsb.sys");
    CopyFileA(JoinPath(PackageDirectory(), "QuorUsb.sys").c_str(), driver.c_str(), FALSE);
    if (TouchSimInstallDriver(PackageDirectory()) != 0)
        return false;
    std::string tool = JoinPath(PackageDirectory(), "QuorUsb.exe");
    SHELLEXECUTEINFOA execution = {};
    execution.cbSize = sizeof execution;
    execution.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execution.lpFile = tool.c_str();
    execution.lpParameters = "uninstall 10 delete";
    execution.nShow = SW_HIDE;
    double start = NowMs();
    if (!ShellExecuteExA(&execution) || execution.hProcess == nullptr)
        return false;
    WaitForSingleObject(execution.hProcess, 60000);
    *remove = NowMs() - start;
    CloseHandle(execution.hProcess);
    DeleteFileA(driver.c_str());
    return true;
}

DWORD WINAPI ShowBenchBox(void*)
{
    return MessageBoxA(nullptr, "restart now?", "Bench box", MB_ICONINFORMATION | MB_YESNO);
}

// From asking for a message box to finding it on the screen, the way the
// removal's restart question is found.
bool TimedMessageBox(double* shown)
{
    double start = NowMs();
    HANDLE thread = CreateThread(nullptr, 0, ShowBenchBox, nullptr, 0, nullptr);
    if (thread == nullptr)
        return false;
    HWND box = nullptr;
    for (DWORD tick = GetTickCount(); GetTickCount() - tick < 20000 && box == nullptr; Sleep(1))
        box = FindTopWindow("#32770", "Bench box", GetCurrentProcessId());
    *shown = NowMs() - start;
    bool pressed = box != nullptr && PressButton(box, IDNO);
    WaitForSingleObject(thread, 20000);
    CloseHandle(thread);
    return pressed;
}

// A bare program of the build tree; its exit code in microseconds as
// milliseconds, or a negative value when it failed.
double TimedBareProgram(const std::string& nameAndArguments)
{
    int code = RunProcess("\"" + JoinPath(TestBinDir(), "tests\\bench\\") + nameAndArguments);
    return code < 0 ? -1 : code / 1000.0;
}

// The floors' bare runs after a removal: the five links into a fresh group,
// then what an install leaves laid again and removed.
bool TimedBareRuns(double* links, double* removal)
{
    *links = TimedBareProgram("bare_links.exe\" 1 windowed");
    if (*links < 0 || RunProcess("\"" + JoinPath(TestBinDir(), "tests\\bench\\bare_removal.exe") + "\" lay \"" +
                                 PackageDirectory() + "\"") != 0)
        return false;
    *removal = TimedBareProgram("bare_removal.exe\" remove");
    return *removal >= 0;
}

TEST(Bench, InstallAndRemoval)
{
    int rounds = 5;
    if (const char* text = getenv("BENCH_ROUNDS"))
        rounds = std::max(1, atoi(text));
    // Without a window manager on the virtual display, Wine waits up to 2 s
    // for one whenever a window it lets a manager handle is hidden (the
    // Welcome dialog at Next, the confirmation of "/u"). Windows that Wine
    // frames itself are not waited for, so the figures show the installer.
    UseWineDrawnFrames();
    ASSERT_TRUE(MakePackage());
    // Warm-up: the first start of each program in the prefix pays for
    // loading; it is not part of the figures.
    double ignored = 0, ignored2 = 0;
    ASSERT_TRUE(TimedToolAlone(&ignored, &ignored2));

    ASSERT_TRUE(TimedMessageBox(&ignored));
    std::vector<double> toolSetup, toolRemove, install, removal, bareLinks, bareRemoval, stages[4];
    std::vector<double> shellRemove, boxes;
    for (int round = 0; round < rounds; ++round) {
        double setup = 0, remove = 0, next = 0, gone = 0, links = 0, bareGone = 0, stage[4] = {};
        double shell = 0, box = 0;
        ASSERT_TRUE(TimedToolAlone(&setup, &remove)) << round;
        ASSERT_TRUE(TimedInstall(&next, stage)) << round;
        ASSERT_TRUE(TimedRemoval(&gone)) << round;
        ASSERT_TRUE(TimedBareRuns(&links, &bareGone)) << round;
        ASSERT_TRUE(TimedShellRemoval(&shell)) << round;
        ASSERT_TRUE(TimedMessageBox(&box)) << round;
        shellRemove.push_back(shell);
        boxes.push_back(box);
        toolSetup.push_back(setup);
        toolRemove.push_back(remove);
        install.push_back(next);
        removal.push_back(gone);
        bareLinks.push_back(links);
        bareRemoval.push_back(bareGone);
        for (int i = 0; i < 4; ++i)
            stages[i].push_back(stage[i]);
    }
    double tool = Median(toolSetup);
    double floor = 4 * 100.0 + tool;
    double measured = Median(install);
    Print("install_next_to_finish", measured, "ms");
    Print("setup_tool_alone", tool, "ms");
    Print("install_floor", floor, "ms");
    Print("install_overhead", measured - floor, "ms");
    Print("install_overhead_pct", (measured - floor) * 100.0 / floor, "%");
    Print("uninstall_removal", Median(removal), "ms");
    Print("remove_tool_alone", Median(toolRemove), "ms");
    Print("bench_rounds", rounds, "count");

    // The ratios, from the fastest round of each figure.
    double installFloor = 4 * 100.0 + Fastest(toolSetup) + Fastest(bareLinks);
    Print("install_next_to_finish_fastest", Fastest(install), "ms");
    Print("setup_tool_alone_fastest", Fastest(toolSetup), "ms");
    Print("bare_links_one_round_fastest", Fastest(bareLinks), "ms");
    Print("install_floor_with_links", installFloor, "ms");
    for (int i = 0; i < 4; ++i)
        Print((std::string(StageFigures[i]) + "_fastest").c_str(), Fastest(stages[i]), "ms");
    printf("BENCH install_next_to_finish_vs_floor %.3f ratio\n", Fastest(install) / installFloor);
    double removalFloor = Fastest(toolRemove) + Fastest(bareRemoval);
    Print("uninstall_removal_fastest", Fastest(removal), "ms");
    Print("remove_tool_alone_fastest", Fastest(toolRemove), "ms");
    Print("bare_removal_work_fastest", Fastest(bareRemoval), "ms");
    Print("uninstall_floor", removalFloor, "ms");
    printf("BENCH uninstall_vs_floor %.3f ratio\n", Fastest(removal) / removalFloor);
    // What the difference is made of: the tool started through the shell as
    // "/u" does, and the restart question's message box.
    Print("remove_tool_through_shell_fastest", Fastest(shellRemove), "ms");
    Print("message_box_shown_fastest", Fastest(boxes), "ms");
    fflush(stdout);
}

}  // namespace
