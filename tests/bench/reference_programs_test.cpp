// The benchmarks' reference programs do the work they stand for: a floor that
// measured less (a link not saved, a file not removed, no cross drawn) would
// make our figures look better than they are.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

#include "autostart.h"
#include "calibration_window.h"
#include "deployment.h"
#include "driver_contract.h"
#include "install_paths.h"
#include "installer_run.h"
#include "os_class.h"
#include "parameter_store.h"
#include "shortcuts.h"
#include "test_support.h"
#include "calibrate/tool_watch.h"
#include "touchsim.h"

namespace {

std::string BenchProgram(const char* name)
{
    return "\"" + JoinPath(TestBinDir(), std::string("tests\\bench\\") + name) + "\"";
}

// Every link of the Start-menu group: its file name, target, arguments and
// working directory.
std::set<std::string> GroupLinks()
{
    std::set<std::string> links;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(StartMenuGroupPath(), "*.lnk").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return links;
    do {
        std::string target, arguments, directory;
        EXPECT_TRUE(ReadShellLink(JoinPath(StartMenuGroupPath(), found.cFileName), &target, &arguments, &directory));
        links.insert(std::string(found.cFileName) + "|" + target + "|" + arguments + "|" + directory);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return links;
}

int LinkFileCount()
{
    int count = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(StartMenuGroupPath(), "*.lnk").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do
        ++count;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

void RemoveGroup()
{
    for (const std::string& link : GroupLinks())
        DeleteFileA(JoinPath(StartMenuGroupPath(), link.substr(0, link.find('|'))).c_str());
    RemoveDirectoryA(StartMenuGroupPath().c_str());
}

TEST(BareLinks, SaveTheSameFiveLinksAsTheInstaller)
{
    OsClass = 10;
    ComputeInstallPaths();
    CreateStartMenuShortcuts();
    std::set<std::string> ours = GroupLinks();
    ASSERT_EQ(5u, ours.size());
    RemoveGroup();

    EXPECT_GT(RunProcess(BenchProgram("bare_links.exe") + " 2"), 0);
    EXPECT_EQ(ours, GroupLinks());
    RemoveGroup();
    EXPECT_GT(RunProcess(BenchProgram("bare_links.exe") + " 1 windowed"), 0);
    EXPECT_EQ(ours, GroupLinks());
    RemoveGroup();
}

TEST(BareRemoval, RemovesEverythingItLaid)
{
    ASSERT_TRUE(MakePackage());
    ASSERT_EQ(0, RunProcess(BenchProgram("bare_removal.exe") + " lay \"" + PackageDirectory() + "\""));
    for (const PackageFileRow& row : PackageFileTable) {
        EXPECT_TRUE(FileExists(JoinPath(InstallDirectoryPath(), row.NameField))) << row.NameField;
        if (row.NtTarget[0] != '\0') {
            EXPECT_TRUE(FileExists(JoinPath(WindowsDir(), row.NtTarget))) << row.NtTarget;
        }
    }
    DWORD value = 0;
    for (const DeviceParameter& parameter : DeviceParameterTable)
        EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, parameter.Name, &value)) << parameter.Name;
    std::string text;
    EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &text));
    EXPECT_EQ(5, LinkFileCount());

    EXPECT_GE(RunProcess(BenchProgram("bare_removal.exe") + " remove"), 0);
    EXPECT_FALSE(DirectoryExists(InstallDirectoryPath()));
    EXPECT_FALSE(DirectoryExists(StartMenuGroupPath()));
    for (const PackageFileRow& row : PackageFileTable) {
        if (row.NtTarget[0] != '\0') {
            EXPECT_FALSE(FileExists(JoinPath(WindowsDir(), row.NtTarget))) << row.NtTarget;
        }
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_PARENT_KEY "\\" UNINSTALL_ENTRY_NAME));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY));
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &text));
}

// With no parts, and with every piece of the tool's start-up added (which
// needs the driver), the cross shows where the tool shows its first one.
TEST(BareWindow, DrawsTheCrossWhereTheToolDrawsItsFirst)
{
    ASSERT_EQ(0, WriteParameterDefaults());
    ASSERT_EQ(0, TouchSimInstallDriver(TouchSimStandInDirectory(TestBinDir())));
    POINT expected = CrossPosition(1, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    for (const char* program : {"bare_window.exe", "bare_window_with_manifest.exe"}) {
        for (const char* parts : {"", " drsbt"}) {
            WatchedProcess window;
            ASSERT_TRUE(StartWatched(BenchProgram(program) + parts, &window));
            POINT centre;
            EXPECT_TRUE(WaitForCross(expected.x, expected.y, &centre)) << program << parts;
            EXPECT_NEAR(expected.x, centre.x, 1);
            EXPECT_NEAR(expected.y, centre.y, 1);
            HWND top = WaitForTopWindow("BareCross", nullptr, 5000, window.Id());
            ASSERT_NE(nullptr, top);
            PostMessageA(top, WM_CLOSE, 0, 0);
            EXPECT_EQ(0, FinishWatched(&window, 10000)) << program << parts;
            WaitUntil([&] { return !FindCrossCentre(expected.x, expected.y, 40, &centre); }, 5000);
        }
    }
}

}  // namespace
