// Timings of Install.exe, printed as "BENCH <name> <value> <unit>" lines
// (tools/bench-install). Not a test: it asserts nothing about the figures.
//
// - install_next_to_finish: from the press of Next to Finish enabled.
// - reinstall_next_to_finish: the same for Install.exe run again over the
//   running installation (driver loaded, files in place); reinstall_vs_install
//   is how much slower (+) or faster (-) that is than the first install.
// - setup_tool_alone: the stand-in setup tool's "setup" run on its own,
//   under the same conditions (driver file already in place).
// - install_floor: the four 100 ms ticks of the step timer plus that run.
// - install_overhead: what the wizard adds above the floor.
// - uninstall_removal: from "Yes" to the confirmation to the restart
//   question of "/u"; remove_tool_alone: the tool's removal run on its own.
// - msi_silent_install / msi_silent_uninstall: "msiexec /i QuortouchUsb.msi
//   /qn" and "msiexec /x ... /qn", start to exit, in the same prefix and
//   rounds as the wizard's figures.
//
// Against floors measured in the same rounds, from the fastest round of each
// figure (a round slowed by other work on a shared machine says nothing about
// the program):
// - install_next_to_finish_vs_floor: Next to Finish over the four ticks plus
//   the setup tool alone plus the five links saved by a bare program
//   (tests/bench/bare_links, one round in a fresh process, as the wizard does);
//   install_stage_*: in the fastest install, Next to each status line and on
//   to Finish, what its time is made of.
// - uninstall_vs_floor: the "/u" removal over the tool's removal alone plus
//   the removal's file and registry work done by a bare program
//   (tests/bench/bare_removal); uninstall_stage_*: what the fastest removal
//   is made of.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_support.h"
#include "installer_run.h"
#include "msi_run.h"
#include "test_support.h"
#include "touchsim.h"

namespace {

void Print(const char* name, double value, const char* unit)
{
    printf("BENCH %s %.1f %s\n", name, value, unit);
    fflush(stdout);
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
        return installer.Wait(1), false;
    double next = NowMs();
    PostMessageA(welcome, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(welcome, 1002)));
    HWND progress = nullptr;
    WaitUntil([&] { return (progress = FindTopWindow("#32770", ProgressTitle, installer.Id())) != nullptr; }, 30000);
    if (progress == nullptr)
        return installer.Wait(1), false;
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
        return installer.Wait(1), false;
    *nextToFinish = enabled - next;
    if (stages != nullptr) {
        stages[0] = lineAt[0] - next;
        stages[1] = lineAt[1] - lineAt[0];
        stages[2] = lineAt[2] - lineAt[1];
        stages[3] = enabled - lineAt[2];
    }
    PressButton(progress, 1003);
    HWND question = WaitForMessageBox(SetupTitle, 30000, installer.Id());
    if (question == nullptr || !PressButton(question, IDNO))
        return installer.Wait(1), false;
    if (installer.Wait(60000) != 0)
        return false;
    HWND tool = WaitForCalibrationWindow();
    return tool != nullptr && CloseCalibrationTool(tool);
}

// From the creation to the end of an ended process, -1 when unknown.
double ProcessLifetimeMs(HANDLE process)
{
    FILETIME created, ended, kernel, user;
    if (process == nullptr || WaitForSingleObject(process, 10000) != WAIT_OBJECT_0 ||
        !GetProcessTimes(process, &created, &ended, &kernel, &user))
        return -1;
    ULARGE_INTEGER from = {{created.dwLowDateTime, created.dwHighDateTime}};
    ULARGE_INTEGER to = {{ended.dwLowDateTime, ended.dwHighDateTime}};
    return (to.QuadPart - from.QuadPart) / 10000.0;
}

// "/u" from the install directory; the time from Yes to the restart question,
// and when stages is given: until the confirmation is gone, from there to the
// question, and the setup tool's own run in between (-1 when it was missed).
bool TimedRemoval(double* removal, double* stages = nullptr)
{
    InstallerProcess installer;
    if (!StartInstaller(JoinPath(InstallDirectoryPath(), "Install.exe"), "/u", &installer))
        return false;
    HWND confirm = WaitForMessageBox(UninstallTitle, 20000, installer.Id());
    if (confirm == nullptr)
        return installer.Wait(1), false;
    double yes = NowMs();
    PressButton(confirm, IDYES);
    HWND question = nullptr;
    HANDLE tool = nullptr;
    double confirmGone = 0;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 60000 && question == nullptr;) {
        if (confirmGone == 0 && !IsWindow(confirm))
            confirmGone = NowMs();
        if (stages != nullptr && tool == nullptr)
            tool = OpenRunningSetupTool();
        HWND box = FindTopWindow("#32770", UninstallTitle, installer.Id());
        if (box != nullptr && box != confirm)
            question = box;
        Sleep(1);
    }
    if (question == nullptr)
        return installer.Wait(1), false;
    *removal = NowMs() - yes;
    if (stages != nullptr) {
        if (confirmGone == 0)
            confirmGone = NowMs();
        stages[0] = confirmGone - yes;
        stages[1] = *removal - stages[0];
        stages[2] = ProcessLifetimeMs(tool);
    }
    if (tool != nullptr)
        CloseHandle(tool);
    PressButton(question, IDNO);
    return installer.Wait(60000) == 0;
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

// One silent install and removal of the Windows Installer package, each from
// msiexec's start to its exit.
bool TimedMsiRound(double* install, double* removal)
{
    double start = NowMs();
    MsiexecRun installed = RunMsiexec("/i " + Quoted(MsiPackagePath()) + " /qn", "bench-msi-install.log");
    *install = NowMs() - start;
    std::vector<ProductEntry> entries = ProductEntries();
    if (!IsSuccessExit(installed.ExitCode) || entries.size() != 1)
        return false;
    start = NowMs();
    MsiexecRun removed = RunMsiexec("/x " + entries[0].KeyName + " /qn", "bench-msi-remove.log");
    *removal = NowMs() - start;
    return IsSuccessExit(removed.ExitCode);
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

// One round's figures (ms).
struct Round {
    double ToolSetup = 0, ToolRemove = 0, Install = 0, Stages[4] = {}, Removal = 0, RemovalStages[3] = {};
    double Reinstall = 0, MsiInstall = 0, MsiRemoval = 0;
    double BareLinks = 0, BareRemoval = 0, ShellRemove = 0, Box = 0;
};

std::vector<double> Column(const std::vector<Round>& rounds, double Round::*figure)
{
    std::vector<double> values;
    for (const Round& round : rounds)
        values.push_back(round.*figure);
    return values;
}

const Round& FastestRound(const std::vector<Round>& rounds, double Round::*figure)
{
    return *std::min_element(rounds.begin(), rounds.end(),
                             [figure](const Round& a, const Round& b) { return a.*figure < b.*figure; });
}

TEST(Bench, InstallAndRemoval)
{
    int count = 5;
    if (const char* text = getenv("BENCH_ROUNDS"))
        count = std::max(1, atoi(text));
    ASSERT_TRUE(MakePackage());
    // Warm-up: the first start of each program in the prefix pays for
    // loading; it is not part of the figures.
    double ignored = 0, ignored2 = 0;
    ASSERT_TRUE(TimedToolAlone(&ignored, &ignored2));
    ASSERT_TRUE(TimedMsiRound(&ignored, &ignored2));
    ASSERT_TRUE(TimedMessageBox(&ignored));

    std::vector<Round> rounds(count);
    for (int i = 0; i < count; ++i) {
        Round& round = rounds[i];
        ASSERT_TRUE(TimedToolAlone(&round.ToolSetup, &round.ToolRemove)) << i;
        ASSERT_TRUE(TimedInstall(&round.Install, round.Stages)) << i;
        ASSERT_TRUE(TimedInstall(&round.Reinstall)) << i;
        ASSERT_TRUE(TimedRemoval(&round.Removal, round.RemovalStages)) << i;
        ASSERT_TRUE(TimedBareRuns(&round.BareLinks, &round.BareRemoval)) << i;
        ASSERT_TRUE(TimedMsiRound(&round.MsiInstall, &round.MsiRemoval)) << i;
        ASSERT_TRUE(TimedShellRemoval(&round.ShellRemove)) << i;
        ASSERT_TRUE(TimedMessageBox(&round.Box)) << i;
    }
    double tool = Median(Column(rounds, &Round::ToolSetup));
    double floor = 4 * 100.0 + tool;
    double measured = Median(Column(rounds, &Round::Install));
    Print("install_next_to_finish", measured, "ms");
    Print("msi_silent_install", Median(Column(rounds, &Round::MsiInstall)), "ms");
    double again = Median(Column(rounds, &Round::Reinstall));
    Print("reinstall_next_to_finish", again, "ms");
    Print("reinstall_vs_install", (again - measured) * 100.0 / measured, "%");
    Print("setup_tool_alone", tool, "ms");
    Print("install_floor", floor, "ms");
    Print("install_overhead", measured - floor, "ms");
    Print("install_overhead_pct", (measured - floor) * 100.0 / floor, "%");
    Print("uninstall_removal", Median(Column(rounds, &Round::Removal)), "ms");
    Print("remove_tool_alone", Median(Column(rounds, &Round::ToolRemove)), "ms");
    Print("msi_silent_uninstall", Median(Column(rounds, &Round::MsiRemoval)), "ms");
    Print("bench_rounds", count, "count");

    // The ratios, from the fastest round of each figure.
    double installFloor =
        4 * 100.0 + Fastest(Column(rounds, &Round::ToolSetup)) + Fastest(Column(rounds, &Round::BareLinks));
    const Round& install = FastestRound(rounds, &Round::Install);
    Print("install_next_to_finish_fastest", install.Install, "ms");
    Print("setup_tool_alone_fastest", Fastest(Column(rounds, &Round::ToolSetup)), "ms");
    Print("bare_links_one_round_fastest", Fastest(Column(rounds, &Round::BareLinks)), "ms");
    Print("install_floor_with_links", installFloor, "ms");
    printf("BENCH install_next_to_finish_vs_floor %.3f ratio\n", install.Install / installFloor);
    // What the fastest install's time is made of, stage by stage.
    for (int i = 0; i < 4; ++i)
        Print(StageFigures[i], install.Stages[i], "ms");

    double removalFloor = Fastest(Column(rounds, &Round::ToolRemove)) + Fastest(Column(rounds, &Round::BareRemoval));
    const Round& removal = FastestRound(rounds, &Round::Removal);
    Print("uninstall_removal_fastest", removal.Removal, "ms");
    Print("remove_tool_alone_fastest", Fastest(Column(rounds, &Round::ToolRemove)), "ms");
    Print("bare_removal_work_fastest", Fastest(Column(rounds, &Round::BareRemoval)), "ms");
    Print("uninstall_floor", removalFloor, "ms");
    printf("BENCH uninstall_vs_floor %.3f ratio\n", removal.Removal / removalFloor);
    // What the fastest removal's time is made of: the confirmation closing,
    // the setup tool's own run within it, and the rest up to the question;
    // beside it, the tool started through the shell as "/u" does, and a
    // message box asked for and found the way the question is found.
    Print("uninstall_stage_confirmation_gone", removal.RemovalStages[0], "ms");
    if (removal.RemovalStages[2] >= 0) {
        Print("uninstall_stage_setup_tool_run", removal.RemovalStages[2], "ms");
        Print("uninstall_stage_rest_to_question", removal.RemovalStages[1] - removal.RemovalStages[2], "ms");
    }
    Print("remove_tool_through_shell_fastest", Fastest(Column(rounds, &Round::ShellRemove)), "ms");
    Print("message_box_shown_fastest", Fastest(Column(rounds, &Round::Box)), "ms");
}

}  // namespace
