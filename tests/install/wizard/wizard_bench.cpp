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
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "installer_run.h"
#include "msi_run.h"
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

// One install through the wizard; the time from Next to Finish enabled.
bool TimedInstall(double* nextToFinish)
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
    }
    fprintf(stderr, "ms after Next: dialog %.0f, 1005 %.0f, 1004 %.0f, 1006 %.0f, Finish %.0f\n", shown - next,
            lineAt[0] - next, lineAt[1] - next, lineAt[2] - next, enabled - next);
    if (enabled == 0)
        return WaitInstaller(&installer, 1), false;
    *nextToFinish = enabled - next;
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

TEST(Bench, InstallAndRemoval)
{
    int rounds = 3;
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
    ASSERT_TRUE(TimedMsiRound(&ignored, &ignored2));

    std::vector<double> toolSetup, toolRemove, install, reinstall, removal, msiInstall, msiRemoval;
    for (int round = 0; round < rounds; ++round) {
        double setup = 0, remove = 0, next = 0, again = 0, gone = 0;
        ASSERT_TRUE(TimedToolAlone(&setup, &remove)) << round;
        ASSERT_TRUE(TimedInstall(&next)) << round;
        ASSERT_TRUE(TimedInstall(&again)) << round;
        ASSERT_TRUE(TimedRemoval(&gone)) << round;
        double msiIn = 0, msiOut = 0;
        ASSERT_TRUE(TimedMsiRound(&msiIn, &msiOut)) << round;
        msiInstall.push_back(msiIn);
        msiRemoval.push_back(msiOut);
        toolSetup.push_back(setup);
        toolRemove.push_back(remove);
        install.push_back(next);
        reinstall.push_back(again);
        removal.push_back(gone);
    }
    double tool = Median(toolSetup);
    double floor = 4 * 100.0 + tool;
    double measured = Median(install);
    Print("install_next_to_finish", measured, "ms");
    Print("msi_silent_install", Median(msiInstall), "ms");
    double again = Median(reinstall);
    Print("reinstall_next_to_finish", again, "ms");
    Print("reinstall_vs_install", (again - measured) * 100.0 / measured, "%");
    Print("setup_tool_alone", tool, "ms");
    Print("install_floor", floor, "ms");
    Print("install_overhead", measured - floor, "ms");
    Print("install_overhead_pct", (measured - floor) * 100.0 / floor, "%");
    Print("uninstall_removal", Median(removal), "ms");
    Print("remove_tool_alone", Median(toolRemove), "ms");
    Print("msi_silent_uninstall", Median(msiRemoval), "ms");
    Print("bench_rounds", rounds, "count");
}

}  // namespace
