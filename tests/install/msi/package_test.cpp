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
#include "msi_run.h"
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

    MsiexecRun removal = RunMsiexec(arguments + " /qn", "msi-removal-remove.log");
    EXPECT_TRUE(IsSuccessExit(removal.ExitCode)) << removal.ExitCode;
    EXPECT_TRUE(removal.WindowsSeen.empty()) << testing::PrintToString(removal.WindowsSeen);
    // The setup tool removed the driver before the files went.
    EXPECT_NE(std::string::npos, removal.Log.find("RemoveDriverRegistration: the driver-setup tool's removal ended with 0"));
    EXPECT_FALSE(TouchDeviceOpens());
    EXPECT_FALSE(DriverServiceExists());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY));
    EXPECT_FALSE(RunValuePresent());
    EXPECT_TRUE(ProductEntries().empty());
    EXPECT_FALSE(DirectoryExists(InstallDirectoryPath()));
    EXPECT_FALSE(DirectoryExists(StartMenuGroupPath()));
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
    EXPECT_NE(std::string::npos, run.Log.find("Setup driver fail("));
    std::set<std::string> after = TakeSnapshot();
    DropEmptyInstallerRecords(before, &after);
    EXPECT_EQ(1u, after.erase("file c:\\windows\\quorusb.log")) << "the setup tool's log";
    EXPECT_EQ("", SnapshotDifference(before, after)) << "+ left after the rollback, - gone that was there before";
    EXPECT_TRUE(ProductEntries().empty());
    EXPECT_FALSE(DriverServiceExists());
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
// running, the links there; the calibration kept and no log-on value.
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
}

// The previous release as shipped, installed and calibrated. An upgrade whose
// driver step fails leaves it working, its calibration kept; then this
// version over it, and the same after a restart (second run). Then the next
// version over this one (this version's removal as the older package), and
// Install.exe /u runs the package's removal.
TEST(MsiUpgrade, FromThePreviousRelease)
{
    MsiexecRun previous = RunMsiexec(InstallCommand(PreviousReleaseMsiPath()), "msi-upgrade-previous.log");
    ASSERT_TRUE(IsSuccessExit(previous.ExitCode)) << previous.ExitCode;
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

    // Install.exe /u from the install folder hands over to the package.
    EXPECT_TRUE(RunRemoval(JoinPath(InstallDirectoryPath(), "Install.exe")));
    EXPECT_TRUE(ProductEntries().empty());
    EXPECT_FALSE(DriverServiceExists());
    EXPECT_FALSE(TouchDeviceOpens());
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
    std::set<std::string> after = TakeSnapshot();
    DropEmptyInstallerRecords(before, &after);
    EXPECT_EQ("", SnapshotDifference(before, after))
        << "+ added by the refused package, - gone from the wizard's installation";
}

}  // namespace
