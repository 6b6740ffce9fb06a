// Install.exe through its real windows under Wine, with the stand-in driver
// and setup tool. Every scenario runs in a prefix of its own (one CTest test
// per scenario, see CMakeLists.txt).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "autostart.h"
#include "calibration_app.h"
#include "deployment.h"
#include "driver_contract.h"
#include "installer_run.h"
#include "package_version.h"
#include "parameter_store.h"
#include "resource_ids.h"
#include "system_snapshot.h"
#include "test_support.h"
#include "touchsim.h"
#include "uninstall_entry_check.h"

namespace {

const char UninstallEntryKey[] = UNINSTALL_PARENT_KEY "\\" UNINSTALL_ENTRY_NAME;

std::string AutostartPath()
{
    return JoinPath(WindowsDir(), "QuortouchUsb\\QuortouchUsb.exe");
}

int CountInstalledFiles()
{
    int count = 0;
    for (const std::string& name : PackageFileNames())
        count += FileExists(JoinPath(InstallDirectoryPath(), name)) ? 1 : 0;
    return count;
}

std::string InstalledFile(const std::string& name)
{
    return JoinPath(InstallDirectoryPath(), name);
}
std::string SystemFile(const char* name)
{
    return JoinPath(WindowsDir(), name);
}

// A calibration value no install writes.
constexpr DWORD HandCalibration = 1234;

const char PendingKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char PendingValue[] = "PendingFileRenameOperations";

// No file waits for the restart in a folder of ours, nor is anything queued.
void ExpectNothingForTheRestart()
{
    for (const char* dir : {"", "QuortouchUSB", "System32", "System32\\Drivers", "inf"})
        EXPECT_FALSE(HasStagedFile(JoinPath(WindowsDir(), dir))) << dir;
    EXPECT_FALSE(ValuePresent(HKEY_LOCAL_MACHINE, PendingKey, PendingValue));
}

// Files, second copies, links, the uninstall entry with an existing target,
// the running driver and its device.
void ExpectInstallationWhole()
{
    EXPECT_EQ(PackageFileCount, CountInstalledFiles());
    for (const std::string& copy : SecondTargets(false))
        EXPECT_TRUE(FileExists(copy)) << copy;
    for (const std::string& link : StartMenuLinkNames())
        EXPECT_TRUE(FileExists(JoinPath(StartMenuGroupPath(), link))) << link;
    std::string uninstall;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, UninstallEntryKey, "UninstallString", &uninstall));
    EXPECT_TRUE(FileExists(uninstall.substr(0, uninstall.rfind(" /u")))) << uninstall;
    EXPECT_TRUE(DriverServiceRunning());
    EXPECT_TRUE(TouchDeviceOpens());
}

void ExpectBox(HWND box, const char* caption, const char* text, UINT icon, std::vector<std::string> buttons)
{
    ASSERT_NE(nullptr, box) << text;
    MessageBoxView view = ReadMessageBox(box);
    EXPECT_EQ(caption, view.caption);
    EXPECT_EQ(text, view.text);
    EXPECT_EQ(icon, view.icon);
    EXPECT_EQ(buttons, view.buttons);
}

const std::vector<std::string> YesNo = {"&Yes", "&No"};
const std::vector<std::string> Ok = {"OK"};

class Wizard : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MakePackage());
    }
    void TearDown() override
    {
        if (installer.Handle() != nullptr)
            installer.Wait(1);
        if (HWND tool = FindTopWindow(CalibrationClassName, nullptr))
            CloseCalibrationTool(tool);
    }
    void Start(const std::string& arguments = "")
    {
        ASSERT_TRUE(StartInstaller(JoinPath(PackageDirectory(), "Install.exe"), arguments, &installer));
    }
    // Welcome -> Next; the Progress dialog.
    HWND ToProgress()
    {
        HWND welcome = WaitForWelcome(installer);
        EXPECT_NE(nullptr, welcome);
        if (welcome == nullptr)
            return nullptr;
        EXPECT_TRUE(PressButton(welcome, IDC_NEXT));
        HWND progress = WaitForProgress(installer);
        EXPECT_NE(nullptr, progress);
        return progress;
    }
    // Escape and the close box once Cancel is disabled: no cancel question,
    // nothing restarts, Finish stays the way out.
    void EscapeAndCloseBox(HWND progress)
    {
        SetForegroundWindow(progress);
        WaitUntil([&] { return GetForegroundWindow() == progress; }, 2000);
        PressKey(VK_ESCAPE);
        PostMessageA(progress, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_FALSE(WaitUntil([&] { return FindMessageBox(SetupTitle, installer.Id()) != nullptr; }, 600));
        EXPECT_TRUE(IsWindowVisible(progress));
        EXPECT_TRUE(IsControlEnabled(progress, IDC_FINISH));
    }
    // The package's Install.exe fails with a box starting with text; then OK,
    // Finish, Escape, or (closeDuringBox) a close posted to the dialog while
    // the box is up, its question answered Yes. Every file, value, key,
    // access list, the service and the queue stay as they were; only the
    // two logs grew. A file named held is held open from the box until the
    // run has ended (its undo included): its old bytes can't go back before
    // the restart, which shows them.
    void FailedRun(const char* text, bool closeDuringBox = false, const std::string& held = "")
    {
        std::map<std::string, std::string> bytes = InstalledBytes();
        DetailedSnapshot before = TakeDetailedSnapshot();
        DWORD type = 0;
        std::vector<BYTE> queued, queuedAfter;
        ReadValue(HKEY_LOCAL_MACHINE, PendingKey, PendingValue, &type, &queued);
        Start();
        HWND progress = ToProgress();
        ASSERT_NE(nullptr, progress);
        ProgressTrace trace;
        HWND box = WatchProgress(installer, progress, &trace);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(0u, ReadMessageBox(box).text.rfind(text, 0)) << ReadMessageBox(box).text;
        HANDLE holder = held.empty() ? nullptr : HoldOpen(held);
        ASSERT_NE(INVALID_HANDLE_VALUE, holder) << held;
        if (closeDuringBox) {
            PostMessageA(progress, WM_CLOSE, 0, 0);
            HWND question = nullptr;
            ASSERT_TRUE(WaitUntil([&] {
                question = FindMessageBox(SetupTitle, installer.Id());
                return question != nullptr && question != box;
            }, 10000));
            EXPECT_EQ("Are you sure to break setup process?", ReadMessageBox(question).text);
            ASSERT_TRUE(PressButton(question, IDYES));
        } else {
            ASSERT_TRUE(PressButton(box, IDOK) && WaitUntil([&] { return IsControlEnabled(progress, IDC_FINISH); }, 10000));
            ASSERT_TRUE(PressButton(progress, IDC_FINISH));
        }
        EXPECT_EQ(0, installer.Wait(60000));
        if (holder != nullptr)
            CloseHandle(holder);
        if (!closeDuringBox) {
            ASSERT_TRUE(CloseCalibrationTool(WaitForCalibrationWindow()));
        }
        ExpectInstallationWhole();
        if (holder != nullptr)
            return;
        EXPECT_EQ("", Differing(bytes, InstalledBytes()));
        DetailedSnapshot changes = SnapshotChanges(before, TakeDetailedSnapshot());
        for (const char* log : {"file c:\\windows\\quorusb.log", SetupLogItem})
            changes.erase(log);
        EXPECT_EQ("{}", testing::PrintToString(changes));
        ReadValue(HKEY_LOCAL_MACHINE, PendingKey, PendingValue, &type, &queuedAfter);
        EXPECT_TRUE(queued == queuedAfter);
    }
    // The package's Install.exe killed in its driver step, while the setup
    // tool (held by QUORUSB_FORCE_WAIT) runs: its files are copied and its
    // registry values written. The tool then goes on and ends.
    void KillDuringTheDriverStep()
    {
        HANDLE held = CreateEventA(nullptr, TRUE, FALSE, "QuorUsbHeldByTest");
        SetEnvironmentVariableA("QUORUSB_FORCE_WAIT", "QuorUsbHeldByTest");
        Start();
        SetEnvironmentVariableA("QUORUSB_FORCE_WAIT", nullptr);
        HWND progress = ToProgress();
        ASSERT_NE(nullptr, progress);
        HANDLE tool = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (tool = OpenRunningSetupTool()) != nullptr; }, 20000));
        EXPECT_TRUE(IsControlEnabled(progress, IDC_STATUS_FILES));
        EXPECT_EQ(-999, installer.Wait(1));
        SetEvent(held);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(tool, 30000));
        CloseHandle(tool);
        CloseHandle(held);
    }
    InstallerProcess installer;
};

// --- complete installation --------------------------------------------------

TEST_F(Wizard, CompleteInstallationThenCalibrationTool)
{
    Start();
    HWND main = WaitForMainWindow(installer);
    ASSERT_NE(nullptr, main);
    RECT r = WindowRectOf(main);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), r.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), r.bottom);
    EXPECT_EQ(nullptr, GetMenu(main));

    HWND welcome = WaitForWelcome(installer);
    ASSERT_NE(nullptr, welcome);
    // Opened by the main window's 300 ms timer, not at once: counted from the
    // installer's start, which comes before the main window.
    EXPECT_GE(MillisecondsSinceStart(installer), 300u);
    EXPECT_TRUE(IsCentredOnScreen(welcome));
    EXPECT_EQ(main, GetWindow(welcome, GW_OWNER));
    WaitForPaint(welcome);
    SaveScreenshot("install-welcome.png");

    ASSERT_TRUE(PressButton(welcome, IDC_NEXT));
    HWND progress = WaitForProgress(installer);
    ASSERT_NE(nullptr, progress);
    EXPECT_TRUE(IsCentredOnScreen(progress));
    // Owned by the main window, not by the Welcome dialog.
    EXPECT_EQ(main, GetWindow(progress, GW_OWNER));
    EXPECT_TRUE(WaitForWindowGone(welcome, 5000));

    ProgressTrace trace;
    EXPECT_EQ(nullptr, WatchProgress(installer, progress, &trace));
    EXPECT_EQ((std::vector<int>{IDC_STATUS_FILES, IDC_STATUS_DEVICE, IDC_STATUS_LINKS, IDC_FINISH}), trace.Enabled);
    EXPECT_FALSE(IsControlEnabled(progress, IDCANCEL));
    EscapeAndCloseBox(progress);
    WaitForPaint(progress);
    SaveScreenshot("install-progress.png");

    // What the steps left behind.
    EXPECT_EQ(PackageFileCount, CountInstalledFiles());
    for (const std::string& copy : SecondTargets(false))
        EXPECT_TRUE(FileExists(copy)) << copy;
    for (const std::string& link : StartMenuLinkNames())
        EXPECT_TRUE(FileExists(JoinPath(StartMenuGroupPath(), link))) << link;
    ExpectUninstallEntryWithDetails();
    std::string listed = ListedPrograms();
    EXPECT_NE(std::string::npos, listed.find("VessaTouch|||Quortouch USB Touchscreen Driver")) << listed;
    std::vector<std::string> rows = ProgramsAndFeaturesRows("programs-and-features.png");
    EXPECT_EQ(1, std::count(rows.begin(), rows.end(),
                            std::string("Quortouch USB Touchscreen Driver | Quortouch | ") + PACKAGE_VERSION_TEXT));
    DWORD value = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, DeviceParameterTable[0].Name, &value));
    EXPECT_TRUE(DriverServiceRunning());
    EXPECT_TRUE(TouchDeviceOpens());
    EXPECT_FALSE(AutostartValuePresent());

    ASSERT_TRUE(PressButton(progress, IDC_FINISH));
    HWND question = WaitForMessageBox(SetupTitle, 20000, installer.Id());
    ExpectBox(question, SetupTitle,
              "To make the installation vaild,you must pull out and pull the Quortouch controller,or restart your "
              "computer,\nrestart now?",
              MB_ICONINFORMATION, YesNo);
    EXPECT_EQ(progress, ReadMessageBox(question).owner);
    std::string autostart;
    EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &autostart));
    EXPECT_EQ(AutostartPath(), autostart);
    WaitForPaint(question);
    SaveScreenshot("install-restart.png");

    ASSERT_TRUE(PressButton(question, IDNO));
    EXPECT_EQ(0, installer.Wait(60000));
    HWND tool = WaitForCalibrationWindow();
    ASSERT_NE(nullptr, tool);
    EXPECT_TRUE(GetWindowLongA(tool, GWL_EXSTYLE) & WS_EX_TOPMOST);
    DWORD toolProcessId = 0;
    GetWindowThreadProcessId(tool, &toolProcessId);
    HANDLE toolProcess = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, toolProcessId);
    char image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    ASSERT_TRUE(QueryFullProcessImageNameA(toolProcess, 0, image, &size));
    CloseHandle(toolProcess);
    EXPECT_EQ(0, _stricmp(AutostartPath().c_str(), image)) << image;
    WaitForPaint(tool);
    SaveScreenshot("install-calibration-tool.png");
    EXPECT_TRUE(CloseCalibrationTool(tool));
}

// --- failures -----------------------------------------------------------------

TEST_F(Wizard, MissingReadMeFailsTheFileStepAndRemovesWhatWasCopied)
{
    ASSERT_TRUE(MakePackage(false));
    Start();
    HWND progress = ToProgress();
    ASSERT_NE(nullptr, progress);
    ProgressTrace trace;
    HWND box = WatchProgress(installer, progress, &trace);
    ExpectBox(box, SetupTitle, "Setup file fail(2:10).", MB_ICONERROR, Ok);
    EXPECT_EQ(progress, ReadMessageBox(box).owner);
    EXPECT_TRUE(trace.Enabled.empty());
    SaveScreenshot("install-file-failure.png");
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(progress, IDC_FINISH); }, 10000));
    EXPECT_FALSE(IsControlEnabled(progress, IDCANCEL));
    EXPECT_FALSE(IsControlEnabled(progress, IDC_STATUS_FILES));
    // The copies made before the failure are gone again (the removal follows
    // the enabling of Finish).
    EXPECT_TRUE(WaitUntil([] { return !DirectoryExists(InstallDirectoryPath()); }, 10000));
    for (const std::string& copy : SecondTargets(false))
        EXPECT_FALSE(FileExists(copy)) << copy;
    // No driver step, also not after Escape or the close box.
    EscapeAndCloseBox(progress);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallEntryKey));
    EXPECT_FALSE(DriverServiceExists());
    EXPECT_FALSE(IsControlEnabled(progress, IDC_STATUS_DEVICE));

    ASSERT_TRUE(PressButton(progress, IDC_FINISH));
    EXPECT_EQ(0, installer.Wait(60000));
    EXPECT_FALSE(AutostartValuePresent());
    // No restart question; the start of the calibration tool from the removed
    // directory fails without a word.
    EXPECT_EQ(nullptr, FindTopWindow("#32770", SetupTitle));
    EXPECT_EQ(nullptr, FindTopWindow(CalibrationClassName, nullptr));
}

TEST_F(Wizard, SetupToolExitingWithTwoFailsTheDriverStep)
{
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", "2");
    Start();
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", nullptr);
    HWND progress = ToProgress();
    ASSERT_NE(nullptr, progress);
    ProgressTrace trace;
    HWND box = WatchProgress(installer, progress, &trace);
    ASSERT_NE(nullptr, box);
    MessageBoxView view = ReadMessageBox(box);
    // The message's form: which last-error code the step keeps after the
    // tool's exit is install_blocks_driver's check (ToolFailure...).
    int code = -1;
    char tail[16] = {};
    ASSERT_EQ(2, sscanf(view.text.c_str(), "Setup driver fail(%d:%15s", &code, tail)) << view.text;
    EXPECT_STREQ("10).", tail) << view.text;
    EXPECT_EQ(UINT(MB_ICONERROR), view.icon);
    EXPECT_EQ(SetupTitle, view.caption);
    EXPECT_EQ((std::vector<int>{IDC_STATUS_FILES}), trace.Enabled);
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(progress, IDC_FINISH); }, 10000));
    EXPECT_FALSE(IsControlEnabled(progress, IDCANCEL));
    EXPECT_TRUE(WaitUntil([] { return !DirectoryExists(InstallDirectoryPath()); }, 10000));
    for (const std::string& copy : SecondTargets(false))
        EXPECT_FALSE(FileExists(copy)) << copy;
    // The uninstall entry that this run wrote before the tool ran goes with
    // the files: nothing is left to point at them.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallEntryKey));
    EXPECT_FALSE(WaitUntil([&] { return IsControlEnabled(progress, IDC_STATUS_LINKS); }, 400));
    EXPECT_FALSE(FileExists(JoinPath(StartMenuGroupPath(), StartMenuLinkNames()[0])));
    ASSERT_TRUE(PressButton(progress, IDC_FINISH));
    EXPECT_EQ(0, installer.Wait(60000));
    EXPECT_FALSE(AutostartValuePresent());
}

// --- Cancel --------------------------------------------------------------------

TEST_F(Wizard, CancelAnsweredNoResumesTwoHundredMillisecondsLater)
{
    Start();
    HWND progress = ToProgress();
    ASSERT_NE(nullptr, progress);
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(progress, IDC_STATUS_FILES); }, 20000));
    ASSERT_TRUE(PressButton(progress, IDCANCEL));
    HWND question = WaitForMessageBox(SetupTitle, 20000, installer.Id());
    ExpectBox(question, SetupTitle, "Are you sure to break setup process?", MB_ICONINFORMATION, YesNo);
    bool deviceBefore = IsControlEnabled(progress, IDC_STATUS_DEVICE);
    // The timer is stopped while the question is up.
    EXPECT_FALSE(WaitUntil([&] { return IsControlEnabled(progress, IDC_STATUS_DEVICE) != deviceBefore; }, 500));
    ASSERT_TRUE(PressButton(question, IDNO));
    // From the question's end, which the installer's answer brings.
    ASSERT_TRUE(WaitForWindowGone(question, 5000));
    DWORD answered = GetTickCount();
    int next = deviceBefore ? IDC_STATUS_LINKS : IDC_STATUS_DEVICE;
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(progress, next); }, 30000));
    EXPECT_GE(GetTickCount() - answered, 150u);
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(progress, IDC_FINISH); }, 30000));
    EXPECT_TRUE(IsControlEnabled(progress, IDC_STATUS_LINKS));
    EXPECT_EQ(PackageFileCount, CountInstalledFiles());
    ASSERT_TRUE(PressButton(progress, IDC_FINISH));
    HWND restart = WaitForMessageBox(SetupTitle, 20000, installer.Id());
    ASSERT_NE(nullptr, restart);
    ASSERT_TRUE(PressButton(restart, IDNO));
    EXPECT_EQ(0, installer.Wait(60000));
    EXPECT_TRUE(AutostartValuePresent());
}

TEST_F(Wizard, CancelAnsweredYesKeepsWhatWasDone)
{
    Start();
    HWND progress = ToProgress();
    ASSERT_NE(nullptr, progress);
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(progress, IDC_STATUS_FILES); }, 20000));
    ASSERT_TRUE(PressButton(progress, IDCANCEL));
    HWND question = WaitForMessageBox(SetupTitle, 20000, installer.Id());
    ASSERT_NE(nullptr, question);
    bool driverStepRan = IsControlEnabled(progress, IDC_STATUS_DEVICE);
    ASSERT_TRUE(PressButton(question, IDYES));
    EXPECT_EQ(0, installer.Wait(60000));
    EXPECT_EQ(PackageFileCount, CountInstalledFiles());
    for (const std::string& copy : SecondTargets(false))
        EXPECT_TRUE(FileExists(copy)) << copy;
    EXPECT_EQ(driverStepRan, KeyExists(HKEY_LOCAL_MACHINE, UninstallEntryKey));
    EXPECT_FALSE(DirectoryExists(StartMenuGroupPath()));
    EXPECT_FALSE(AutostartValuePresent());
    EXPECT_EQ(nullptr, FindTopWindow(CalibrationClassName, nullptr));
}

// Cancel on Welcome ends the program having done nothing; so does every
// command line that is not exactly "/u", which starts the wizard.
TEST_F(Wizard, CancelOnWelcomeAndCommandLinesOtherThanSlashU)
{
    for (const char* arguments : {"", "/U", "-u", "/u ", "/ux"}) {
        SCOPED_TRACE(std::string("arguments \"") + arguments + "\"");
        Start(arguments);
        HWND welcome = WaitForWelcome(installer);
        ASSERT_NE(nullptr, welcome);
        ASSERT_TRUE(PressButton(welcome, IDCANCEL));
        EXPECT_EQ(0, installer.Wait(20000));
    }
    EXPECT_FALSE(DirectoryExists(InstallDirectoryPath()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallEntryKey));
    EXPECT_FALSE(DirectoryExists(StartMenuGroupPath()));
    EXPECT_FALSE(AutostartValuePresent());
    EXPECT_FALSE(DriverServiceExists());
}

// --- removal refused --------------------------------------------------------------

TEST_F(Wizard, RemovalDeclinedOrFailingLeavesEverything)
{
    HWND tool = nullptr;
    ASSERT_TRUE(RunCompleteInstall(nullptr, &tool));
    ASSERT_TRUE(CloseCalibrationTool(tool));
    std::string installed = JoinPath(InstallDirectoryPath(), "Install.exe");
    auto everythingInPlace = [&] {
        ExpectInstallationWhole();
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, ParameterKey));
        EXPECT_TRUE(AutostartValuePresent());
    };

    // Confirmation answered No.
    ASSERT_TRUE(StartInstaller(installed, "/u", &installer));
    HWND confirm = WaitForMessageBox(UninstallTitle, 20000, installer.Id());
    ExpectBox(confirm, UninstallTitle, "Are you sure to uninstall Quortouch USB Touchscreen?", MB_ICONWARNING, YesNo);
    EXPECT_EQ(nullptr, ReadMessageBox(confirm).owner);
    // No window at all in this mode.
    EXPECT_EQ(nullptr, FindTopWindow("INSTALL", nullptr, installer.Id()));
    ASSERT_TRUE(PressButton(confirm, IDNO));
    EXPECT_EQ(0, installer.Wait(60000));
    everythingInPlace();

    // The setup tool reports failure (2): nothing removed, the package stays
    // listed for another try.
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", "2");
    ASSERT_TRUE(StartInstaller(installed, "/u", &installer));
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", nullptr);
    confirm = WaitForMessageBox(UninstallTitle, 20000, installer.Id());
    ASSERT_NE(nullptr, confirm);
    ASSERT_TRUE(PressButton(confirm, IDYES));
    HWND failure = WaitForMessageBox(SetupTitle, 30000, installer.Id());
    ExpectBox(failure, SetupTitle, "Remove failure,please insert the usb interface", MB_ICONERROR, Ok);
    EXPECT_EQ(nullptr, ReadMessageBox(failure).owner);
    ASSERT_TRUE(PressButton(failure, IDOK));
    EXPECT_EQ(0, installer.Wait(60000));
    // No restart question followed.
    EXPECT_EQ(nullptr, FindTopWindow("#32770", UninstallTitle));
    everythingInPlace();
}

// --- sequences over an earlier installation --------------------------------------

// The previous release (its zip's package) installed and calibrated; this
// version over its loaded driver and running tool (both wait for the
// restart), two of its files changed; then this version as built, from the
// package and the install directory. After the restart (second run) the
// built bytes are everywhere, nothing left queued.
TEST_F(Wizard, ReinstallOverARunningInstallation)
{
    ASSERT_TRUE(CopyBuiltPackage(PackageDirectory(), JoinPath(PreviousReleaseDirectory(), "QuortouchUsb")));
    HWND tool = nullptr;
    ASSERT_TRUE(RunCompleteInstall(nullptr, &tool));
    ASSERT_TRUE(CalibrateWithTouches(tool));
    ASSERT_TRUE(WriteTextFile(InstalledFile("my notes.txt"), "mine"));
    ASSERT_TRUE(StartInstaller(InstalledFile("QuortouchUsb.exe"), "", &installer));
    ASSERT_NE(nullptr, WaitForCalibrationWindow());

    ASSERT_TRUE(CopyBuiltPackage(PackageDirectory()) && ChangePackageFile("QuorUsb.sys") &&
                ChangePackageFile("QuortouchUsb.exe"));
    ASSERT_TRUE(RunCompleteInstall(nullptr, &tool));
    ExpectInstallationWhole();
    EXPECT_EQ(ReadTextFile(JoinPath(PackageDirectory(), "QuorUsb.sys")), ReadTextFile(InstalledFile("QuorUsb.sys")));
    EXPECT_TRUE(HasStagedFile(SystemFile("System32\\Drivers")));
    EXPECT_TRUE(HasStagedFile(InstallDirectoryPath()));
    // The nineteen defaults again, and Finish started a tool beside the running one.
    for (const DeviceParameter& parameter : DeviceParameterTable) {
        DWORD value = ~parameter.Default;
        EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, parameter.Name, &value));
        EXPECT_EQ(parameter.Default, value) << parameter.Name;
    }
    auto tools = [] {
        int count = 0;
        for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, CalibrationClassName, nullptr));)
            count += IsWindowVisible(window) ? 1 : 0;
        return count;
    };
    EXPECT_TRUE(WaitUntil([&] { return tools() == 2; }, 10000)) << tools();
    while (HWND window = FindTopWindow(CalibrationClassName, nullptr))
        ASSERT_TRUE(CloseCalibrationTool(window));

    // This version's re-install killed in its driver step leaves its kept
    // copies; the next run undoes it first.
    ASSERT_TRUE(CopyBuiltPackage(PackageDirectory()));
    KillDuringTheDriverStep();
    EXPECT_TRUE(HasStagedFile(SystemFile("System32")));
    for (const std::string& exe : {JoinPath(PackageDirectory(), "Install.exe"), InstalledFile("Install.exe")}) {
        SCOPED_TRACE(exe);
        ASSERT_TRUE(RunCompleteInstall(nullptr, &tool, exe));
        ExpectInstallationWhole();
        EXPECT_TRUE(FileExists(InstalledFile("my notes.txt")));
        EXPECT_TRUE(CloseCalibrationTool(tool));
    }
    EXPECT_EQ("", DifferingUnqueued(PackageDirectory()));
}

TEST(WizardAfterRestart, ReinstallOverARunningInstallation)
{
    EXPECT_EQ("", Differing(InstalledBytes(PackageDirectory()), InstalledBytes()));
    ExpectNothingForTheRestart();
    ExpectInstallationWhole();
}

// The calibration tool runs from System32 while "/u" removes it; installed
// again before the restart, the new installation survives it (second run).
// Then package B over it with the tool's System32 copy held open, and
// failed runs over B, one with that copy held again: after the restart B's
// bytes are everywhere.
TEST_F(Wizard, RemovalOfFilesInUseThenInstallBeforeRestart)
{
    HWND tool = nullptr;
    ASSERT_TRUE(RunCompleteInstall(nullptr, &tool) && CloseCalibrationTool(tool));
    ASSERT_TRUE(StartInstaller(SystemFile("System32\\QuortouchUsb.exe"), "", &installer));
    ASSERT_NE(nullptr, tool = WaitForCalibrationWindow());
    // The help file open in a viewer that does not share its deletion: it
    // can't be renamed, and goes at the restart under its own name.
    HANDLE help = HoldOpen(InstalledFile("QuortouchUsb.chm"));
    ASSERT_NE(INVALID_HANDLE_VALUE, help);
    ASSERT_TRUE(RunRemoval(InstalledFile("Install.exe")));
    EXPECT_TRUE(FileExists(InstalledFile("QuortouchUsb.chm")));
    EXPECT_TRUE(installer.Running());
    // Renamed to wait for the restart: the names are free at once.
    EXPECT_FALSE(FileExists(SystemFile("System32\\QuortouchUsb.exe")));
    EXPECT_FALSE(FileExists(InstalledFile("Install.exe")));
    EXPECT_TRUE(HasStagedFile(SystemFile("System32")));
    ASSERT_TRUE(CloseCalibrationTool(tool));
    ASSERT_TRUE(RunCompleteInstall(nullptr, &tool) && CloseCalibrationTool(tool));
    // B: its copy of the held file waits for the restart.
    auto packageB = [](bool withReadMe) {
        return MakePackage(withReadMe) && ChangePackageFile("QuorUsb.sys") && ChangePackageFile("QuortouchUsb.exe");
    };
    HANDLE held = HoldOpen(SystemFile("System32\\QuortouchUsb.exe"));
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    ASSERT_TRUE(packageB(true) && RunCompleteInstall(nullptr, &tool) && CloseCalibrationTool(tool));
    CloseHandle(held);

    // A calibration, a mouse value and the entry's name changed by hand.
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationRecord[0], HandCalibration));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationFlag, 1));
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, "Control Panel\\Mouse", "DoubleClickSpeed", "250"));
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, UninstallEntryKey, "DisplayName", "My touchscreen"));
    // Another package fails over it (a file missing, the setup tool, this
    // one closed while its failure box is up): no trace. Once more with B's
    // waiting copy held while the box is up and the run is undone.
    ASSERT_TRUE(packageB(false) && ChangePackageFile("QuorUsb.sys") && ChangePackageFile("QuortouchUsb.exe"));
    FailedRun("Setup file fail(2:10).");
    ASSERT_TRUE(packageB(true) && ChangePackageFile("QuorUsb.sys") && ChangePackageFile("QuortouchUsb.exe"));
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", "2");
    FailedRun("Setup driver fail(");
    FailedRun("Setup driver fail(", true);
    FailedRun("Setup driver fail(", false, SystemFile("System32\\QuortouchUsb.exe"));
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", nullptr);
    // The setup log names the failing step and the tool's exit code.
    std::string log = ReadTextFile(JoinPath(WindowsDir(), "QuortouchSetup.log"));
    std::string lastRun = log.substr(log.rfind("\n==== ") + 1);
    EXPECT_NE(std::string::npos, lastRun.find("driver setup tool exited 2")) << lastRun;
    EXPECT_NE(std::string::npos, lastRun.find("outcome: failed, what the run changed is put back: Setup driver fail("))
        << lastRun;
    ASSERT_TRUE(packageB(true));
    CloseHandle(help);
}

TEST(WizardAfterRestart, RemovalOfFilesInUseThenInstallBeforeRestart)
{
    ExpectInstallationWhole();
    EXPECT_EQ("", Differing(InstalledBytes(PackageDirectory()), InstalledBytes()));
    ExpectNothingForTheRestart();
    // The driver loaded the calibration that the failed runs left alone.
    HANDLE device = TouchSimOpenDevice();
    TOUCH_SIM_STATE state = {};
    EXPECT_TRUE(TouchSimGetState(device, &state));
    CloseHandle(device);
    EXPECT_EQ(HandCalibration, state.Values[0]);
    EXPECT_EQ(1u, state.Calibration4Pt);
    std::string speed;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, "Control Panel\\Mouse", "DoubleClickSpeed", &speed));
    EXPECT_EQ("250", speed);
}

// A re-install killed in its driver step, then "/u": the removal first
// undoes the killed run; after the restart nothing of ours is left but the
// two logs (and the mouse values, which no removal deletes).
TEST_F(Wizard, KilledReinstallThenRemoval)
{
    SaveSnapshot(TakeSnapshot(), "before.txt");
    HWND tool = nullptr;
    ASSERT_TRUE(RunCompleteInstall(nullptr, &tool) && CloseCalibrationTool(tool));
    ASSERT_TRUE(ChangePackageFile("QuorUsb.sys") && ChangePackageFile("QuortouchUsb.exe"));
    KillDuringTheDriverStep();
    for (const char* dir : {"System32", "System32\\Drivers", "QuortouchUSB"})
        EXPECT_TRUE(HasStagedFile(SystemFile(dir))) << dir;
    ASSERT_TRUE(RunRemoval(InstalledFile("Install.exe")));
}

TEST(WizardAfterRestart, KilledReinstallThenRemoval)
{
    std::set<std::string> leftovers = RemovalLeftovers;
    leftovers.insert(SetupLogItem);
    EXPECT_EQ("", SnapshotDifference(LoadSnapshot("before.txt"), TakeSnapshot(), leftovers));
    ExpectNothingForTheRestart();
    std::string log = ReadTextFile(JoinPath(WindowsDir(), "QuortouchSetup.log"));
    EXPECT_NE(std::string::npos, log.find("recovery: undo the killed install run of")) << log;
    EXPECT_NE(std::string::npos, log.find("outcome: removed")) << log;
}

// Installing twice in a row leaves what the first left; so does removing
// twice (the second from the package folder), but for the install directory
// with the program the first removal left to the restart.
TEST_F(Wizard, TwiceInARowLeavesWhatTheFirstLeft)
{
    HWND tool = nullptr;
    ASSERT_TRUE(RunCompleteInstall(nullptr, &tool) && CloseCalibrationTool(tool));
    std::set<std::string> first = TakeSnapshot();
    ASSERT_TRUE(RunCompleteInstall(nullptr, &tool) && CloseCalibrationTool(tool));
    EXPECT_EQ("", SnapshotDifference(first, TakeSnapshot()));

    auto outsideInstallDirectory = [](std::set<std::string> snapshot) {
        for (auto line = snapshot.begin(); line != snapshot.end();)
            line = line->find(Lower(InstallDirectoryPath())) != std::string::npos ? snapshot.erase(line) : ++line;
        return snapshot;
    };
    ASSERT_TRUE(RunRemoval(InstalledFile("Install.exe")));
    first = outsideInstallDirectory(TakeSnapshot());
    ASSERT_TRUE(RunRemoval(JoinPath(PackageDirectory(), "Install.exe")));
    EXPECT_EQ("", SnapshotDifference(first, outsideInstallDirectory(TakeSnapshot())));
}

}  // namespace
