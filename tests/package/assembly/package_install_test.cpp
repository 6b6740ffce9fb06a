// The package as a user gets it, installed and calibrated under Wine: a copy
// of the package folder, Install.exe run from it through the whole wizard
// (demo_user.exe, the demo's scripted user), then the calibration tool with
// four simulated touches and "OK".
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <iterator>
#include <set>
#include <string>

#include "autostart.h"
#include "driver_contract.h"
#include "parameter_store.h"
#include "installed_system.h"
#include "test_support.h"

namespace {


DWORD FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0xFFFFFFFF;
    return data.nFileSizeLow;
}

TEST(PackageInstall, InstallFromThePackageFolderInstallsEveryFileAndCalibrates)
{
    // The package folder, copied as a user would copy it off the zip or a disc.
    std::string package = "C:\\users\\Public\\QuortouchUsb";
    ASSERT_TRUE(CopyBuiltPackage(package));

    std::string user = JoinPath(TestBinDir(), "tools\\package_road\\demo_user.exe");
    std::string shots = JoinPath(ArtifactsDir(), "package-install");
    int code = RunProcess("\"" + user + "\" \"" + package + "\" \"" + shots + "\"", 240000);
    ASSERT_EQ(code, 0) << "demo_user.exe stopped at that step; its screenshots are in " << shots;

    // The package folder (possibly read-only media) still holds exactly the
    // package's files; the setup tool's log went to the Windows directory.
    std::set<std::string> left;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(package, "*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            left.insert(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::vector<std::string> names = PackageFileNames();
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), left);
    EXPECT_NE(std::string::npos, ReadTextFile(JoinPath(WindowsDir(), "QuorUsb.log")).find("setup"));

    std::string installed = InstallDirectoryPath();
    for (const std::string& name : PackageFileNames())
        EXPECT_EQ(FileSize(JoinPath(installed, name)), FileSize(JoinPath(package, name))) << name;
    for (const std::string& copy : SecondTargets(false))
        EXPECT_TRUE(FileExists(copy)) << copy;

    std::string group = StartMenuGroupPath();
    for (const std::string& link : StartMenuLinkNames())
        EXPECT_TRUE(FileExists(JoinPath(group, link))) << link;

    DWORD flag = 0, width = 0, height = 0, topLeftX = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_FOUR_POINT, &flag));
    EXPECT_EQ(flag, 1u);
    ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_SCREEN_WIDTH, &width);
    ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_SCREEN_HIGH, &height);
    EXPECT_EQ(width, static_cast<DWORD>(GetSystemMetrics(SM_CXSCREEN)));
    EXPECT_EQ(height, static_cast<DWORD>(GetSystemMetrics(SM_CYSCREEN)));
    ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_TOP_LEFT_X, &topLeftX);
    EXPECT_GT(topLeftX, 0u);
    // "OK" ends the start at log-on.
    std::string command;
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &command));
}

} // namespace
