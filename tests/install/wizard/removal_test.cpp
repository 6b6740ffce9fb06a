// The removal's building blocks against the prefix's own registry and files.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "deployment.h"
#include "driver_contract.h"
#include "install_paths.h"
#include "installed_system.h"
#include "os_class.h"
#include "package_owner.h"
#include "parameter_store.h"
#include "shortcuts.h"
#include "test_support.h"
#include "uninstall.h"
#include "uninstall_entry.h"

namespace {

std::string MakeTempDirectory(const char* name)
{
    std::string dir = JoinPath(WindowsDir(), std::string("Temp\\") + name);
    CreateDirectoryA(JoinPath(WindowsDir(), "Temp").c_str(), nullptr);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

TEST(EmptyAndRemoveDirectory, DeletesEveryFileReadOnlyIncludedThenTheDirectory)
{
    std::string dir = MakeTempDirectory("removal-plain");
    ASSERT_TRUE(WriteTextFile(JoinPath(dir, "a.txt"), "a"));
    ASSERT_TRUE(WriteTextFile(JoinPath(dir, "b.dat"), "b"));
    ASSERT_TRUE(SetFileAttributesA(JoinPath(dir, "b.dat").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_NE(FALSE, EmptyAndRemoveDirectory(dir.c_str()));
    EXPECT_FALSE(DirectoryExists(dir));
    EXPECT_EQ(FALSE, EmptyAndRemoveDirectory(dir.c_str()));  // already gone
}

TEST(EmptyAndRemoveDirectory, SubdirectoryStaysAndKeepsItsParent)
{
    std::string dir = MakeTempDirectory("removal-sub");
    ASSERT_TRUE(WriteTextFile(JoinPath(dir, "a.txt"), "a"));
    ASSERT_TRUE(CreateDirectoryA(JoinPath(dir, "inner").c_str(), nullptr));
    ASSERT_TRUE(WriteTextFile(JoinPath(dir, "inner\\x.txt"), "x"));
    EXPECT_EQ(FALSE, EmptyAndRemoveDirectory(dir.c_str()));
    EXPECT_FALSE(FileExists(JoinPath(dir, "a.txt")));
    EXPECT_TRUE(FileExists(JoinPath(dir, "inner\\x.txt")));
    EXPECT_TRUE(DirectoryExists(dir));
    // Nothing is left for a restart that could not remove it either.
    EXPECT_FALSE(PendingDeletion(dir));
    EXPECT_FALSE(PendingDeletion(JoinPath(dir, "inner")));
}

TEST(EmptyAndRemoveDirectory, FileInUseAndThenTheDirectoryGoAtTheNextRestart)
{
    std::string dir = MakeTempDirectory("removal-in-use");
    std::string held = JoinPath(dir, "held.exe");
    ASSERT_TRUE(WriteTextFile(held, "MZ"));
    ASSERT_TRUE(WriteTextFile(JoinPath(dir, "other.txt"), "o"));
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(FALSE, EmptyAndRemoveDirectory(dir.c_str()));
    EXPECT_FALSE(FileExists(JoinPath(dir, "other.txt")));
    EXPECT_TRUE(FileExists(held));
    EXPECT_TRUE(PendingDeletion(held));
    EXPECT_TRUE(PendingDeletion(dir));
    CloseHandle(file);
}

// "/u" and the wizard ask Windows Installer only where a package's entry in
// Programs and Features says so: msi.dll is loaded then, and never before.
TEST(PackageOwner, MsiDllIsLoadedOnlyForAnEntryThatSaysWindowsInstaller)
{
    const std::string entry = std::string(UninstallParentKey) + "\\{0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9}";
    PackageProducts installed, stale;
    ASSERT_EQ(nullptr, GetModuleHandleA("msi.dll"));
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, entry.c_str(), "DisplayName", UninstallDisplayName));
    EXPECT_EQ(0, FindInstalledPackages(&installed, &stale));
    EXPECT_EQ(nullptr, GetModuleHandleA("msi.dll"));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, entry.c_str(), "WindowsInstaller", 1));
    EXPECT_EQ(0, FindInstalledPackages(&installed, &stale));
    EXPECT_EQ(1, stale.Count);
    EXPECT_NE(nullptr, GetModuleHandleA("msi.dll"));
    DeleteTree(HKEY_LOCAL_MACHINE, entry.c_str());
}

class DriverEntries : public testing::Test {
protected:
    void SetUp() override { DeleteTree(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY); }
    void TearDown() override { DeleteTree(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY); }
};

TEST_F(DriverEntries, ServiceKeyWithItsThreeSubkeysGoesWhole)
{
    ASSERT_EQ(0, WriteParameterDefaults());
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY "\\Enum", "Count", 1));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY "\\Security", "Security", 1));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY, "Start", 3));
    RemoveDriverEntries();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, DRIVER_SERVICES_KEY));
}

TEST_F(DriverEntries, DeeperSubkeyKeepsItsKeysButTheValuesGo)
{
    ASSERT_EQ(0, WriteParameterDefaults());
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, PARAMETER_KEY_PATH "Deeper", "x", 1));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY "\\Enum", "Count", 1));
    RemoveDriverEntries();
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, PARAMETER_KEY_PATH));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY "\\Enum"));
    DWORD value = 0;
    for (const DeviceParameter& p : DeviceParameterTable)
        EXPECT_FALSE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, p.Name, &value)) << p.Name;
}

TEST_F(DriverEntries, NothingThereIsNoError)
{
    RemoveDriverEntries();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY));
}

class DeployedFiles : public testing::Test {
protected:
    void SetUp() override
    {
        savedOsClass = OsClass;
        ComputeInstallPaths();
    }
    void TearDown() override { OsClass = savedOsClass; }

    // Every second target of both families, a Start-menu group with a link
    // and a read-only file, and the install directory with a read-only file.
    void Populate(int programsFolder)
    {
        for (const PackageFileRow& row : PackageFileTable) {
            for (const char* target : {row.NtTarget, row.ConsumerTarget}) {
                if (target[0] != '\0') {
                    std::string path = JoinPath(WindowsDirectory, target);
                    CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
                    ASSERT_TRUE(WriteTextFile(JoinPath(WindowsDirectory, target), row.NameField)) << target;
                }
            }
        }
        char programs[MAX_PATH] = {};
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, programs, programsFolder, TRUE));
        group = JoinPath(programs, "Quortouch USB Touchscreen");
        CreateDirectoryA(group.c_str(), nullptr);
        ASSERT_TRUE(WriteTextFile(JoinPath(group, "Calibration.lnk"), "link"));
        SetFileAttributesA(JoinPath(group, "Calibration.lnk").c_str(), FILE_ATTRIBUTE_READONLY);
        installDirectory = JoinPath(WindowsDirectory, "QuortouchUSB");
        CreateDirectoryA(installDirectory.c_str(), nullptr);
        ASSERT_TRUE(WriteTextFile(JoinPath(installDirectory, "ReadMe.txt"), "r"));
        SetFileAttributesA(JoinPath(installDirectory, "ReadMe.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    }
    void Clean()
    {
        for (const PackageFileRow& row : PackageFileTable) {
            for (const char* target : {row.NtTarget, row.ConsumerTarget}) {
                if (target[0] == '\0')
                    continue;
                std::string path = JoinPath(WindowsDirectory, target);
                SetFileAttributesA(path.c_str(), 0);
                DeleteFileA(path.c_str());
            }
        }
    }
    int savedOsClass = 0;
    std::string group;
    std::string installDirectory;
};

TEST_F(DeployedFiles, NtFamilyRemovesItsTargetsGroupAndInstallDirectory)
{
    OsClass = 10;
    Populate(CSIDL_COMMON_PROGRAMS);
    for (const std::string& target : SecondTargets(false))
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
    RemoveDeployedFiles();
    for (const std::string& gone : SecondTargets(false))
        EXPECT_FALSE(FileExists(gone)) << gone;
    for (const std::string& kept : OnlyOfTheOtherFamily(false))
        EXPECT_TRUE(FileExists(kept)) << kept;
    EXPECT_FALSE(DirectoryExists(group));
    EXPECT_FALSE(DirectoryExists(installDirectory));
    Clean();
}

TEST_F(DeployedFiles, ConsumerFamilyRemovesItsOwnTargetsAndThePerUserGroup)
{
    OsClass = 4;
    Populate(CSIDL_PROGRAMS);
    char common[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, common, CSIDL_COMMON_PROGRAMS, TRUE);
    std::string commonGroup = JoinPath(common, "Quortouch USB Touchscreen");
    CreateDirectoryA(commonGroup.c_str(), nullptr);
    RemoveDeployedFiles();
    for (const std::string& gone : SecondTargets(true))
        EXPECT_FALSE(FileExists(gone)) << gone;
    for (const std::string& kept : OnlyOfTheOtherFamily(true))
        EXPECT_TRUE(FileExists(kept)) << kept;
    EXPECT_FALSE(DirectoryExists(group));
    EXPECT_TRUE(DirectoryExists(commonGroup));
    RemoveDirectoryA(commonGroup.c_str());
    Clean();
}

}  // namespace
