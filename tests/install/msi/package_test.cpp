// The Windows Installer package under Wine's msiexec: a repair and the
// removal through its Start-menu link and a restart, a setup tool that fails,
// the major upgrades from the previous release as shipped (one that fails,
// then one that holds across a restart) and to the next version, Install.exe
// /u over the package, the kiosk's command line, and the refusal next to the
// previous release's wizard installation.
#include <gtest/gtest.h>

#include <windows.h>
#include <msi.h>

#include <algorithm>
#include <iterator>

#include "autostart.h"
#include "driver_contract.h"
#include "installer_run.h"
#include "logon_values.h"
#include "msi_run.h"
#include "package_refusal.h"
#include "parameter_store.h"
#include "system_snapshot.h"
#include "test_support.h"

namespace {

bool RunValuePresent()
{
    std::string data;
    return ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &data);
}

std::string InstallCommand(const std::string& package, const std::string& properties = "")
{
    return "/i " + Quoted(package) + " /qn" + (properties.empty() ? "" : " " + properties);
}

// What Wine's msiexec keeps of every run, rolled back, refused or removed:
// the folder of cached packages and the keys of its records, emptied.
// Nothing of the package: no file and no value.
void DropEmptyInstallerRecords(const std::set<std::string>& before, std::set<std::string>* after)
{
    for (auto line = after->begin(); line != after->end();) {
        bool record = *line == "dir c:\\windows\\installer" ||
                      line->rfind("key hklm\\software\\microsoft\\windows\\currentversion\\installer\\", 0) == 0;
        line = record && !before.count(*line) ? after->erase(line) : std::next(line);
    }
}

// The package's Active Setup component as the registry holds it.
struct LogonComponent {
    bool Present = false;
    std::string Name, StubPath, Version;
};

LogonComponent ReadLogonComponent()
{
    LogonComponent component;
    component.Present = KeyExists(HKEY_LOCAL_MACHINE, ActiveSetupKey);
    ReadString(HKEY_LOCAL_MACHINE, ActiveSetupKey, "", &component.Name);
    ReadString(HKEY_LOCAL_MACHINE, ActiveSetupKey, "StubPath", &component.StubPath);
    ReadString(HKEY_LOCAL_MACHINE, ActiveSetupKey, "Version", &component.Version);
    return component;
}

// The data the setup wizard writes into the log-on value.
std::string WizardsLogonData()
{
    char data[MAX_PATH] = {};
    EXPECT_TRUE(FormatAutostartData(data, AutostartValueName, AutostartFileName));
    return data;
}

// A user's first log-on after the installation, as Windows' Active Setup
// does it: the component's StubPath run as that user, then the component's
// Version copied into the user's own key. True when the stub exited with 0.
bool RunLogonStubAsAtLogon(const LogonComponent& component)
{
    bool ran = RunProcess(component.StubPath) == 0;
    return WriteString(HKEY_CURRENT_USER, ActiveSetupKey, "Version", component.Version) && ran;
}

// The driver's items of a detailed snapshot: its service, and every key and
// value under its service key and the mouse key, with their data.
DetailedSnapshot DriverItems()
{
    DetailedSnapshot items;
    for (const auto& [item, detail] : TakeDetailedSnapshot())
        if (item.find("vessausb") != std::string::npos || item.find("control panel\\mouse") != std::string::npos)
            items[item] = detail;
    return items;
}

// What a cleaner (or someone with "sc") does: the driver's service stopped
// and deleted. True when it is gone.
bool DeleteDriverServiceByHand()
{
    RunProcess(std::string("sc.exe stop ") + DRIVER_SERVICE_NAME);
    RunProcess(std::string("sc.exe delete ") + DRIVER_SERVICE_NAME);
    return !DriverServiceExists();
}

// --- removal through the Uninstall link, then a restart ----------------------

TEST(MsiRemoval, ThroughTheUninstallLink)
{
    SaveSnapshot(TakeSnapshot(), "before.txt");
    MsiexecRun install = RunMsiexec(InstallCommand(MsiPackagePath()), "msi-removal-install.log");
    ASSERT_TRUE(IsSuccessExit(install.ExitCode)) << install.ExitCode;
    ASSERT_TRUE(TouchDeviceOpens());
    ASSERT_TRUE(RunValuePresent());
    std::vector<ProductEntry> entries = ProductEntries();
    ASSERT_EQ(1u, entries.size());
    const std::string productCode = entries[0].KeyName;
    // Every user's first log-on calibrates: the Active Setup component.
    const LogonComponent component = ReadLogonComponent();
    ASSERT_TRUE(component.Present);
    printf("Active Setup component HKLM\\%s:\n  (default) %s\n  StubPath  %s\n  Version   %s\n", ActiveSetupKey,
           component.Name.c_str(), component.StubPath.c_str(), component.Version.c_str());
    EXPECT_FALSE(component.Name.empty());
    EXPECT_FALSE(component.Version.empty());

    // The zip's Install.exe on this machine: a box, and nothing changes.
    std::set<std::string> beforeWizard = TakeSnapshot();
    InstallerProcess wizard;
    ASSERT_TRUE(StartInstaller(JoinPath(BuiltPackageDirectory(), "Install.exe"), "", &wizard));
    HWND box = WaitForMessageBox(SetupTitle, 30000, wizard.Id());
    ASSERT_NE(nullptr, box);
    MessageBoxView view = ReadMessageBox(box);
    EXPECT_EQ(PackageInstalledText, view.text);
    EXPECT_EQ(UINT(MB_ICONERROR), view.icon);
    EXPECT_EQ((std::vector<std::string>{"OK"}), view.buttons);
    SaveScreenshot("install-over-package.png");
    ASSERT_TRUE(PressButton(box, IDOK));
    EXPECT_EQ(0, wizard.Wait(20000));
    EXPECT_EQ(nullptr, FindWindowA(nullptr, WelcomeTitle));
    EXPECT_NE(std::string::npos, ReadTextFile(JoinPath(WindowsDir(), "QuortouchSetup.log"))
                                     .find("outcome: refused: the Windows Installer package is installed"));
    std::set<std::string> afterWizard = TakeSnapshot();
    afterWizard.erase(SetupLogItem);
    beforeWizard.erase(SetupLogItem);
    EXPECT_EQ("", SnapshotDifference(beforeWizard, afterWizard)) << "Install.exe over the package changed";
    EXPECT_EQ(1u, ProductEntries().size());

    // The link runs msiexec /x with the product code, in the install folder.
    std::string target, arguments, workingDirectory;
    ASSERT_TRUE(ReadShellLink(JoinPath(StartMenuGroupPath(), StartMenuLinkNames()[0]), &target, &arguments,
                              &workingDirectory));
    EXPECT_EQ(0, _stricmp(JoinPath(WindowsDir(), "system32\\msiexec.exe").c_str(), target.c_str())) << target;
    EXPECT_EQ("/x " + productCode, arguments);
    EXPECT_EQ(0, _stricmp((InstallDirectoryPath() + "\\").c_str(), workingDirectory.c_str())) << workingDirectory;

    // A cleaner deletes the driver's service; a repair brings it back.
    ASSERT_TRUE(DeleteDriverServiceByHand());
    ASSERT_FALSE(TouchDeviceOpens());
    MsiexecRun repair =
        RunMsiexec(InstallCommand(MsiPackagePath(), "REINSTALL=ALL REINSTALLMODE=amus"), "msi-removal-repair.log");
    EXPECT_TRUE(IsSuccessExit(repair.ExitCode)) << repair.ExitCode;
    EXPECT_TRUE(TouchDeviceOpens());

    // A removal that fails after the driver went (the log-on entry can't be
    // deleted) registers the driver again, its values as they were.
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationRecord[0], 1234));
    ASSERT_TRUE(SetKeyDacl(HKEY_CURRENT_USER, RunKey, "D:(A;;KR;;;WD)"));
    MsiexecRun failed = RunMsiexec(arguments + " /qn", "msi-removal-fails.log");
    ASSERT_TRUE(SetKeyDacl(HKEY_CURRENT_USER, RunKey, "D:(A;;KA;;;WD)"));
    EXPECT_EQ(ERROR_INSTALL_FAILURE, failed.ExitCode);
    EXPECT_TRUE(TouchDeviceOpens());
    DWORD value = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationRecord[0], &value));
    EXPECT_EQ(1234u, value);
    // Wine's rollback of a removal also forgets the product; installing
    // again lists it.
    ASSERT_TRUE(IsSuccessExit(RunMsiexec(InstallCommand(MsiPackagePath()), "msi-removal-relist.log").ExitCode));

    // The component's StubPath, run as at the user's first log-on, writes
    // the log-on value the wizard writes; the calibration it starts ends it
    // with "OK".
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyValueA(HKEY_CURRENT_USER, RunKey, AutostartValueName));
    ASSERT_TRUE(RunLogonStubAsAtLogon(component));
    std::string logonCommand;
    ASSERT_TRUE(ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &logonCommand));
    EXPECT_EQ(WizardsLogonData(), logonCommand);
    StartedProcess calibration;
    ASSERT_TRUE(calibration.Start(logonCommand));
    HWND tool = WaitForCalibrationWindow();
    ASSERT_NE(nullptr, tool);
    ASSERT_TRUE(CalibrateWithTouches(tool));
    EXPECT_FALSE(RunValuePresent());

    // The next version over this one keeps the component as it is (the same
    // Version: nobody is asked again) and writes no log-on value; its link
    // removes it.
    MsiexecRun next = RunMsiexec(InstallCommand(NextVersionMsiPath()), "msi-removal-next.log");
    EXPECT_TRUE(IsSuccessExit(next.ExitCode)) << next.ExitCode;
    ASSERT_EQ(1u, ProductEntries().size());
    EXPECT_EQ(NEXT_PACKAGE_VERSION, ProductEntries()[0].DisplayVersion);
    const LogonComponent kept = ReadLogonComponent();
    EXPECT_TRUE(kept.Present);
    EXPECT_EQ(component.Version, kept.Version);
    EXPECT_EQ(component.StubPath, kept.StubPath);
    EXPECT_FALSE(RunValuePresent());
    ASSERT_TRUE(ReadShellLink(JoinPath(StartMenuGroupPath(), StartMenuLinkNames()[0]), &target, &arguments,
                              &workingDirectory));
    EXPECT_EQ("/x " + ProductEntries()[0].KeyName, arguments);
    // Another log-on's value, for the removal to take.
    ASSERT_TRUE(RunLogonStubAsAtLogon(component));
    ASSERT_TRUE(RunValuePresent());

    // The removal, with the setup tool gone from the install folder (a
    // virus scanner took it) and the calibration tool's file held open
    // without delete sharing.
    const std::string held = JoinPath(InstallDirectoryPath(), AutostartFileName);
    ASSERT_TRUE(DeleteFileA(JoinPath(InstallDirectoryPath(), DRIVER_SETUP_TOOL).c_str()));
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    MsiexecRun removal = RunMsiexec(arguments + " /qn", "msi-removal-remove.log");
    EXPECT_TRUE(IsSuccessExit(removal.ExitCode)) << removal.ExitCode;
    EXPECT_TRUE(removal.WindowsSeen.empty()) << testing::PrintToString(removal.WindowsSeen);
    // The package's own copy of the setup tool removed the driver before the
    // files went.
    EXPECT_NE(std::string::npos, removal.Log.find("the package's own copy of the driver-setup tool removes the driver"));
    EXPECT_NE(std::string::npos, removal.Log.find("RemoveDriverRegistration: the driver-setup tool's removal ended with 0"));
    EXPECT_FALSE(TouchDeviceOpens());
    EXPECT_FALSE(DriverServiceExists());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY));
    EXPECT_FALSE(RunValuePresent());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ActiveSetupKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ActiveSetupKey));
    EXPECT_TRUE(ProductEntries().empty());
    EXPECT_FALSE(DirectoryExists(StartMenuGroupPath()));
    // The held file, then its folder, go at the restart.
    std::vector<std::string> deletions = PendingDeletions();
    auto heldAt = std::find(deletions.begin(), deletions.end(), Lower(held));
    auto folderAt = std::find(deletions.begin(), deletions.end(), Lower(InstallDirectoryPath()));
    EXPECT_NE(deletions.end(), heldAt) << "the held file is not queued";
    EXPECT_NE(deletions.end(), folderAt) << "the install folder is not queued";
    EXPECT_LT(heldAt, folderAt);
    CloseHandle(file);
}

TEST(MsiRemovalAfterRestart, ThroughTheUninstallLink)
{
    std::set<std::string> before = LoadSnapshot("before.txt");
    ASSERT_FALSE(before.empty());
    std::set<std::string> after = TakeSnapshot();
    DropEmptyInstallerRecords(before, &after);
    // What the wizard's removal leaves too (RemovalLeftovers), each there.
    for (const std::string& leftover : RemovalLeftovers)
        EXPECT_EQ(1u, after.erase(leftover)) << leftover;
    EXPECT_EQ(1u, after.erase(SetupLogItem)) << "the setup log stays";
    // Windows' own keys of every profile, made here by the stand-in for a
    // log-on's Active Setup (Wine has none); our component's copy is gone.
    for (const char* key : {"key hkcu\\software\\microsoft\\active setup",
                            "key hkcu\\software\\microsoft\\active setup\\installed components"})
        after.erase(key);
    EXPECT_EQ("", SnapshotDifference(before, after)) << "+ left after the removal, - gone that was there before";
}

// --- single runs, each in a fresh prefix ---------------------------------------

// The setup tool, told to fail, exits with 2: the installation ends with
// 1603 and its rollback leaves nothing. The variable reaches the tool
// through msiexec and its custom-action process, which inherit this
// program's environment; the tool's exit code in the log shows it did.
TEST(MsiPackage, SetupToolExitingWithTwoFailsWith1603AndLeavesNothing)
{
    std::set<std::string> before = TakeSnapshot();
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", "2");
    MsiexecRun run = RunMsiexec(InstallCommand(MsiPackagePath()), "msi-setup-tool-fails.log");
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", nullptr);
    EXPECT_EQ(ERROR_INSTALL_FAILURE, run.ExitCode);
    EXPECT_TRUE(run.WindowsSeen.empty()) << testing::PrintToString(run.WindowsSeen);
    EXPECT_NE(std::string::npos, run.Log.find("return10(2:")) << "the setup tool did not exit with 2";
    EXPECT_NE(std::string::npos, run.Log.find("Setup driver fail(0:")) << "the code is the tool run's own";
    std::set<std::string> after = TakeSnapshot();
    DropEmptyInstallerRecords(before, &after);
    EXPECT_EQ(1u, after.erase("file c:\\windows\\quorusb.log")) << "the setup tool's log";
    EXPECT_EQ(1u, after.erase(SetupLogItem)) << "the setup log";
    EXPECT_EQ("", SnapshotDifference(before, after)) << "+ left after the rollback, - gone that was there before";
    EXPECT_TRUE(ProductEntries().empty());
    EXPECT_FALSE(DriverServiceExists());

    // A driver service with its values that was there before the package
    // (registered by hand, no entry of any installer): the rollback takes
    // back only what the run changed, and the service stays as it was.
    ASSERT_EQ(0, RunProcess(std::string("sc.exe create ") + DRIVER_SERVICE_NAME +
                            " type= kernel start= demand binPath= C:\\windows\\system32\\drivers\\" +
                            DRIVER_FILE_NAME));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationRecord[0], 1234));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, "ByHand", 7));
    DetailedSnapshot driverBefore = DriverItems();
    ASSERT_TRUE(driverBefore.count("service vessausb"));
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", "2");
    MsiexecRun again = RunMsiexec(InstallCommand(MsiPackagePath()), "msi-setup-tool-fails-beside-a-service.log");
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", nullptr);
    EXPECT_EQ(ERROR_INSTALL_FAILURE, again.ExitCode);
    EXPECT_EQ(driverBefore, DriverItems()) << "the driver's service, keys and values changed";
    EXPECT_TRUE(ProductEntries().empty());
}

// The previous release's calibration as its user confirmed it: the record
// (1000 + field), its flag, and the log-on value gone ("OK" deletes it).
void ConfirmCalibrationByHand()
{
    for (int field = 0; field < CalibrationFieldCount; ++field)
        ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationRecord[field], 1000 + field));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationFlag, 1));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyValueA(HKEY_CURRENT_USER, RunKey, AutostartValueName));
}

// That calibration still there, and still no log-on value.
void ExpectCalibrationKept()
{
    for (int field = 0; field < CalibrationFieldCount; ++field) {
        DWORD value = 0;
        EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationRecord[field], &value));
        EXPECT_EQ(DWORD(1000 + field), value) << CalibrationRecord[field];
    }
    DWORD flag = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationFlag, &flag));
    EXPECT_EQ(1u, flag);
    EXPECT_FALSE(RunValuePresent());
}

// After each upgrade: one entry, of that version, listed under the upgrade
// code for the next upgrade; this tree's files in the install folder and the
// system folders (or in the restart queue: the loaded driver); the driver
// running, the links there; the calibration kept and no log-on value; and,
// as the previous release registered no Active Setup component, none now
// either: nobody is prompted at the next log-on.
void ExpectUpgradedTo(const char* version)
{
    std::vector<ProductEntry> entries = ProductEntries();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(version, entries[0].DisplayVersion);
    char related[39] = {};
    EXPECT_EQ(ERROR_SUCCESS, MsiEnumRelatedProductsA("{" PACKAGE_UPGRADE_CODE "}", 0, 0, related));
    EXPECT_EQ(entries[0].KeyName, related);
    EXPECT_EQ("", DifferingUnqueued(BuiltPackageDirectory()));
    EXPECT_TRUE(DriverServiceRunning());
    EXPECT_TRUE(TouchDeviceOpens());
    for (const std::string& link : StartMenuLinkNames())
        EXPECT_TRUE(FileExists(JoinPath(StartMenuGroupPath(), link))) << link;
    ExpectCalibrationKept();
    EXPECT_FALSE(ReadLogonComponent().Present) << "an Active Setup component would prompt every user again";
}

// The previous release as shipped, installed and calibrated. An upgrade whose
// driver step fails leaves it working, its calibration kept; then this
// version over it, and the same after a restart (second run). Then the next
// version over this one (this version's removal as the older package), and
// Install.exe /u runs the package's removal.
TEST(MsiUpgrade, FromThePreviousRelease)
{
    SaveSnapshot(TakeSnapshot(), "before.txt");
    MsiexecRun previous = RunMsiexec(InstallCommand(PreviousReleaseMsiPath()), "msi-upgrade-previous.log");
    ASSERT_TRUE(IsSuccessExit(previous.ExitCode)) << previous.ExitCode;
    ASSERT_FALSE(ReadLogonComponent().Present);
    std::vector<ProductEntry> entries = ProductEntries();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(PREVIOUS_RELEASE_VERSION, entries[0].DisplayVersion);
    ConfirmCalibrationByHand();

    // Only "setup" fails: the failure path's removal would work.
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", "2");
    SetEnvironmentVariableA("QUORUSB_FORCE_COMMAND", "setup");
    MsiexecRun failed = RunMsiexec(InstallCommand(MsiPackagePath()), "msi-upgrade-fails.log");
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", nullptr);
    SetEnvironmentVariableA("QUORUSB_FORCE_COMMAND", nullptr);
    EXPECT_EQ(ERROR_INSTALL_FAILURE, failed.ExitCode);
    EXPECT_NE(std::string::npos, failed.Log.find("return10(2:")) << "the setup tool did not exit with 2";
    // Nothing of the failed version waits for the restart either (Wine's
    // installer queued the replacement of the loaded driver).
    for (const std::string& copy : SecondTargets(false))
        EXPECT_FALSE(QueueNames(copy)) << copy;
    std::vector<ProductEntry> after = ProductEntries();
    ASSERT_EQ(1u, after.size());
    EXPECT_EQ(entries[0].KeyName, after[0].KeyName);
    EXPECT_TRUE(TouchDeviceOpens());
    ExpectCalibrationKept();

    MsiexecRun upgrade = RunMsiexec(InstallCommand(MsiPackagePath()), "msi-upgrade.log");
    EXPECT_TRUE(IsSuccessExit(upgrade.ExitCode)) << upgrade.ExitCode;
    ExpectUpgradedTo(PACKAGE_VERSION);
}

TEST(MsiUpgradeAfterRestart, FromThePreviousRelease)
{
    ExpectUpgradedTo(PACKAGE_VERSION);

    MsiexecRun next = RunMsiexec(InstallCommand(NextVersionMsiPath()), "msi-upgrade-next.log");
    EXPECT_TRUE(IsSuccessExit(next.ExitCode)) << next.ExitCode;
    ExpectUpgradedTo(NEXT_PACKAGE_VERSION);

    // Install.exe /u from the install folder hands over to the package; the
    // running program (set aside under a name of its own) and then the
    // folder go at the restart.
    EXPECT_TRUE(RunRemoval(JoinPath(InstallDirectoryPath(), "Install.exe")));
    EXPECT_TRUE(ProductEntries().empty());
    // Each msiexec exit code is in the setup log.
    const std::string setupLog = ReadTextFile(JoinPath(WindowsDir(), "QuortouchSetup.log"));
    EXPECT_NE(std::string::npos, setupLog.find(": msiexec /x exited ")) << setupLog;
    EXPECT_NE(std::string::npos, setupLog.find("after the package's removal, empty and remove")) << setupLog;
    EXPECT_FALSE(DriverServiceExists());
    EXPECT_FALSE(TouchDeviceOpens());
    std::vector<std::string> deletions = PendingDeletions();
    const std::string folder = Lower(InstallDirectoryPath());
    auto program = std::find_if(deletions.begin(), deletions.end(),
                                [&](const std::string& path) { return path.rfind(folder + "\\qtu", 0) == 0; });
    auto folderAt = std::find(deletions.begin(), deletions.end(), folder);
    EXPECT_NE(deletions.end(), program) << "Install.exe is not queued";
    EXPECT_NE(deletions.end(), folderAt) << "the install folder is not queued";
    EXPECT_LT(program, folderAt);
}

// After the restart: nothing of ours is left but what every removal leaves.
TEST(MsiUpgradeAfterSecondRestart, FromThePreviousRelease)
{
    std::set<std::string> before = LoadSnapshot("before.txt");
    ASSERT_FALSE(before.empty());
    std::set<std::string> after = TakeSnapshot();
    DropEmptyInstallerRecords(before, &after);
    after.erase(SetupLogItem);
    EXPECT_EQ("", SnapshotDifference(before, after, RemovalLeftovers))
        << "+ left after the removal, - gone that was there before";
}

// A kiosk's command line: no log-on start, no restart now (3010), and an
// install folder of its own, which is not used. Later a cleaner takes the
// driver's service and the setup tool: the removal still goes through.
TEST(MsiPackage, KioskInstallThenRemovalWithoutService)
{
    MsiexecRun run = RunMsiexec(
        InstallCommand(MsiPackagePath(), "CALIBRATE_AT_LOGON=0 REBOOT=ReallySuppress INSTALLDIR=C:\\Kiosk\\Touch\\"),
        "msi-calibrate-zero.log");
    EXPECT_EQ(ERROR_SUCCESS_REBOOT_REQUIRED, run.ExitCode);
    EXPECT_FALSE(RunValuePresent());
    EXPECT_FALSE(ReadLogonComponent().Present);
    EXPECT_NE(std::string::npos, run.Log.find("INSTALLDIR=\"C:\\Kiosk\\Touch\\\" is not used")) << run.Log;
    EXPECT_FALSE(DirectoryExists("C:\\Kiosk"));
    EXPECT_TRUE(FileExists(JoinPath(InstallDirectoryPath(), "QuortouchUsb.exe")));
    // The rest of the installation is there.
    EXPECT_TRUE(TouchDeviceOpens());
    DWORD flag = 9;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationFlag, &flag));
    EXPECT_EQ(0u, flag);

    ASSERT_TRUE(DeleteDriverServiceByHand());
    ASSERT_TRUE(DeleteFileA(JoinPath(InstallDirectoryPath(), DRIVER_SETUP_TOOL).c_str()));
    MsiexecRun removal = RunMsiexec("/x " + Quoted(MsiPackagePath()) + " /qn", "msi-removal-without-service.log");
    EXPECT_TRUE(IsSuccessExit(removal.ExitCode)) << removal.ExitCode;
    EXPECT_TRUE(ProductEntries().empty());
}

// Windows 6.0, where the calibration tool is never registered for the
// log-on: no log-on value and no Active Setup component either.
TEST(MsiPackage, OnWindowsSixZeroNothingStartsAtLogon)
{
    SetWineWindowsVersion("vista");
    MsiexecRun run = RunMsiexec(InstallCommand(MsiPackagePath()), "msi-vista.log");
    EXPECT_TRUE(IsSuccessExit(run.ExitCode)) << run.ExitCode;
    EXPECT_TRUE(TouchDeviceOpens());
    EXPECT_FALSE(RunValuePresent());
    EXPECT_FALSE(ReadLogonComponent().Present);
}

// The previous release's wizard installed first: the package refuses, names
// the uninstall link in its log, and changes nothing of the wizard's
// installation.
TEST(MsiPackage, RefusesWhileTheWizardsInstallationIsThere)
{
    ASSERT_TRUE(CopyBuiltPackage(PackageDirectory(), JoinPath(PreviousReleaseDirectory(), "QuortouchUsb")));
    HWND tool = nullptr;
    ASSERT_TRUE(RunCompleteInstall(nullptr, &tool));
    ASSERT_TRUE(CloseCalibrationTool(tool));
    std::set<std::string> before = TakeSnapshot();

    MsiexecRun run = RunMsiexec(InstallCommand(MsiPackagePath()), "msi-refused.log");
    EXPECT_EQ(ERROR_INSTALL_FAILURE, run.ExitCode);
    EXPECT_TRUE(run.WindowsSeen.empty()) << testing::PrintToString(run.WindowsSeen);
    EXPECT_NE(std::string::npos,
              run.Log.find("Quortouch USB Touchscreen is already installed by its setup program. Remove it first "
                           "with the \"Uninstall QuorTouch\" link in the Start menu"))
        << run.Log;
    std::vector<ProductEntry> entries = ProductEntries();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("VessaTouch", entries[0].KeyName);
    EXPECT_EQ(PREVIOUS_RELEASE_VERSION, entries[0].DisplayVersion);
    EXPECT_TRUE(TouchDeviceOpens());
    // The refusal is in the setup log too.
    EXPECT_NE(std::string::npos, ReadTextFile(JoinPath(WindowsDir(), "QuortouchSetup.log"))
                                     .find("RefuseBesideWizardInstallation: the setup wizard's uninstall entry"));
    std::set<std::string> after = TakeSnapshot();
    DropEmptyInstallerRecords(before, &after);
    after.erase(SetupLogItem);
    EXPECT_EQ("", SnapshotDifference(before, after))
        << "+ added by the refused package, - gone from the wizard's installation";
}

}  // namespace
