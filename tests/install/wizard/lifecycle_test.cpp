// The whole life of the package in one prefix, in two runs of the test
// program (lifecycle.sh): install, calibrate with the touch simulator, "OK",
// remove through the Start-menu link; then, after the prefix has been ended
// and started again (a restart), the registry and the file tree are compared
// with what they were before the installation.
#include <gtest/gtest.h>

#include <algorithm>

#include "autostart.h"
#include "driver_contract.h"
#include "installer_run.h"
#include "parameter_store.h"
#include "system_snapshot.h"
#include "test_support.h"

namespace {

const char UninstallEntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VessaTouch";

// --- the first run: install, calibrate, remove ----------------------------------

TEST(LifeCycle, InstallCalibrateRemove)
{
    UseWineDrawnFrames();
    ASSERT_TRUE(MakePackage());
    SaveSnapshot(TakeSnapshot(), "before.txt");

    HWND tool = nullptr;
    ASSERT_TRUE(RunCompleteInstall(nullptr, &tool));
    std::string autostart;
    EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &autostart));
    ASSERT_TRUE(CalibrateWithTouches(tool, "lifecycle-check-screen.png"));
    DWORD flag = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationFlag, &flag));
    EXPECT_EQ(1u, flag);
    // "OK" takes the tool out of the log-on start.
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &autostart));
    // Put the value back as a second log-on would need it, so that the
    // removal is seen to delete it.
    SetAutostartValue(AutostartValueName, AutostartFileName);

    // The removal, started as the Start-menu link starts it.
    std::string target, arguments, workingDirectory;
    ASSERT_TRUE(ReadShellLink(JoinPath(StartMenuGroupPath(), "Uninstall QuorTouch.lnk"), &target, &arguments,
                              &workingDirectory));
    EXPECT_EQ(0, _stricmp(JoinPath(InstallDirectoryPath(), "Install.exe").c_str(), target.c_str())) << target;
    EXPECT_EQ("/u", arguments);
    EXPECT_EQ(0, _stricmp(InstallDirectoryPath().c_str(), workingDirectory.c_str())) << workingDirectory;
    InstallerProcess installer;
    ASSERT_TRUE(StartInstaller(target, arguments, &installer));
    HWND confirm = WaitForMessageBox(UninstallTitle, 20000, installer.Id);
    ASSERT_NE(nullptr, confirm);
    ASSERT_TRUE(PressButton(confirm, IDYES));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(confirm); }, 10000));
    HWND question = WaitForMessageBox(UninstallTitle, 60000, installer.Id);
    ASSERT_NE(nullptr, question);
    MessageBoxView view = ReadMessageBox(question);
    EXPECT_EQ("To make the uninstallation valid,you must restart your computer.\nRestart now?", view.text);
    EXPECT_EQ(UINT(MB_ICONINFORMATION), view.icon);
    EXPECT_EQ((std::vector<std::string>{"&Yes", "&No"}), view.buttons);
    SaveScreenshot("uninstall-restart.png");

    // Everything is gone but the running program and its directory.
    EXPECT_FALSE(TouchDeviceOpens());
    EXPECT_FALSE(DriverServiceExists());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallEntryKey));
    for (const char* copy : {"System32\\QuortouchUsb.cpl", "System32\\QuortouchUsb.exe",
                             "System32\\Drivers\\QuorUsb.sys", "inf\\QuorUsb.inf"})
        EXPECT_FALSE(FileExists(JoinPath(WindowsDir(), copy))) << copy;
    EXPECT_FALSE(DirectoryExists(StartMenuGroupPath()));
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &autostart));
    EXPECT_FALSE(FileExists(JoinPath(InstallDirectoryPath(), "QuortouchUsb.exe")));

    ASSERT_TRUE(PressButton(question, IDNO));
    EXPECT_EQ(0, WaitInstaller(&installer));
    // The program could not delete its own file while it ran: renamed (so a
    // later installation may use the name), it and then the directory wait
    // for the restart.
    EXPECT_FALSE(FileExists(JoinPath(InstallDirectoryPath(), "Install.exe")));
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                          "PendingFileRenameOperations", &type, &data));
    std::string list = Lower(std::string(data.begin(), data.end()));
    size_t file = list.find(Lower(InstallDirectoryPath()) + "\\qtu");
    size_t directory = list.find(Lower(InstallDirectoryPath()) + std::string(2, '\0'));
    EXPECT_NE(std::string::npos, file);
    EXPECT_NE(std::string::npos, directory);
    EXPECT_LT(file, directory);
}

// --- the second run, after the prefix restarted ---------------------------------

TEST(LifeCycle, AfterPrefixRestartAllIsAsBefore)
{
    EXPECT_FALSE(DirectoryExists(InstallDirectoryPath()));
    std::set<std::string> before = LoadSnapshot("before.txt");
    ASSERT_FALSE(before.empty());
    std::set<std::string> after = TakeSnapshot();
    SaveSnapshot(after, "after.txt");

    // What the removal knowingly leaves, each with its reason.
    const std::set<std::string> leftovers = {
        // The mouse double-click values: the installation writes them under
        // HKEY_LOCAL_MACHINE (creating "Control Panel" there), the removal
        // has no step for them.
        "key hklm\\control panel",
        "key hklm\\control panel\\mouse",
        "value hklm\\control panel\\mouse\\doubleclickheight",
        "value hklm\\control panel\\mouse\\doubleclickwidth",
        "value hklm\\control panel\\mouse\\doubleclickspeed",
    };
    std::vector<std::string> added, removed;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(removed));
    std::vector<std::string> unexpected;
    for (const std::string& line : added)
        if (!leftovers.count(line))
            unexpected.push_back(line);
    EXPECT_TRUE(unexpected.empty()) << [&] {
        std::string text = "left after the removal:\n";
        for (const std::string& line : unexpected)
            text += "  " + line + "\n";
        return text;
    }();
    EXPECT_TRUE(removed.empty()) << [&] {
        std::string text = "gone that was there before:\n";
        for (const std::string& line : removed)
            text += "  " + line + "\n";
        return text;
    }();
}

}  // namespace
