#include <gtest/gtest.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "block_test_support.h"
#include "deployment.h"
#include "install_paths.h"
#include "os_class.h"
#include "shortcuts.h"
#include "test_support.h"

namespace {

struct LinkContent {
    bool Loaded = false;
    std::string Target, Arguments, WorkingDirectory, Description;
};

LinkContent ReadLink(const std::string& linkFile)
{
    LinkContent content;
    content.Loaded = ReadShellLink(linkFile, &content.Target, &content.Arguments, &content.WorkingDirectory,
                                   &content.Description);
    return content;
}

std::string SpecialFolder(int csidl)
{
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// Names in a directory matching a pattern.
std::vector<std::string> ListNames(const std::string& dir, const char* pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(dir, pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

void RemoveGroup(const std::string& programs)
{
    std::string group = JoinPath(programs, StartMenuFolderName);
    for (const std::string& name : ListNames(group, "*"))
        DeleteFileA(JoinPath(group, name).c_str());
    RemoveDirectoryA(group.c_str());
}

// The part of a table format after its last backslash: a file name.
std::string LastPart(const char* format)
{
    return strrchr(format, '\\') + 1;
}

class Shortcuts : public testing::Test {
protected:
    void SetUp() override
    {
        common_ = SpecialFolder(CSIDL_COMMON_PROGRAMS);
        user_ = SpecialFolder(CSIDL_PROGRAMS);
        ASSERT_FALSE(common_.empty());
        ASSERT_FALSE(user_.empty());
        RemoveGroup(common_);
        RemoveGroup(user_);
        ComputeInstallPaths();
        // The links point at installed files.
        WritePackage(InstallDirectoryPath(), "installed");
        OsClass = 10;
    }
    void TearDown() override
    {
        OsClass = 10;
        ComputeInstallPaths();
    }

    static void ExpectGroup(const std::string& programs)
    {
        std::string group = JoinPath(programs, StartMenuFolderName);
        EXPECT_EQ(1u, ListNames(programs, (std::string(StartMenuFolderName) + "*").c_str()).size());
        EXPECT_EQ(static_cast<size_t>(ShortcutCount), ListNames(group, "*").size());
        for (const ShortcutRow& row : ::Shortcuts) {
            std::string name = LastPart(row.LinkFileFormat);
            LinkContent link = ReadLink(JoinPath(group, name));
            ASSERT_TRUE(link.Loaded) << name;
            EXPECT_EQ(JoinPath(InstallDirectoryPath(), LastPart(row.TargetFormat)), link.Target) << name;
            EXPECT_EQ(row.Arguments != nullptr ? row.Arguments : "", link.Arguments) << name;
            EXPECT_EQ(InstallDirectoryPath(), link.WorkingDirectory) << name;
            EXPECT_EQ(row.Description, link.Description) << name;
        }
    }

    std::string common_, user_;
};

TEST_F(Shortcuts, NtFamilyGetsTheGroupUnderTheAllUsersPrograms)
{
    EXPECT_EQ(0, CreateStartMenuShortcuts());
    EXPECT_EQ(common_, ProgramsFolder);
    ExpectGroup(common_);
    EXPECT_FALSE(DirectoryExists(JoinPath(user_, StartMenuFolderName)));
}

TEST_F(Shortcuts, ConsumerFamilyGetsTheGroupUnderTheUsersPrograms)
{
    OsClass = 3;
    EXPECT_EQ(0, CreateStartMenuShortcuts());
    EXPECT_EQ(user_, ProgramsFolder);
    ExpectGroup(user_);
    EXPECT_FALSE(DirectoryExists(JoinPath(common_, StartMenuFolderName)));
}

TEST_F(Shortcuts, SecondRunKeepsOneGroupWithFiveLinks)
{
    EXPECT_EQ(0, CreateStartMenuShortcuts());
    EXPECT_EQ(0, CreateStartMenuShortcuts());
    ExpectGroup(common_);
}

TEST_F(Shortcuts, LinkWhoseTargetPathDoesNotFitIsLeftOut)
{
    // 236 characters: the install directory (249) and the targets of the two
    // shortest names, RBtn.exe (258) and Write.exe (259), fit 260 characters
    // with the terminator; the other three targets do not.
    SetInstallPaths(ModuleDirectory, ("C:\\" + std::string(236 - 3, 'w')).c_str());
    EXPECT_EQ(0, CreateStartMenuShortcuts());
    std::string group = JoinPath(common_, StartMenuFolderName);
    std::vector<std::string> links = ListNames(group, "*");
    ASSERT_EQ(2u, links.size());
    LinkContent rbtn = ReadLink(JoinPath(group, "Right Button.lnk"));
    EXPECT_EQ(std::string(WindowsDirectory) + "\\QuortouchUSB\\RBtn.exe", rbtn.Target);
    EXPECT_TRUE(ReadLink(JoinPath(group, "HandWritting Demo.lnk")).Loaded);
}

TEST_F(Shortcuts, LinkWhoseFilePathDoesNotFitIsLeftOut)
{
    // The all-users Programs folder moved to a path of 215 characters: the
    // group folder (241) and the links "Calibration.lnk" (257) and "Right
    // Button.lnk" (258) fit 260 characters, the other three do not.
    const char* shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    std::string moved = "C:\\" + std::string(215 - 3, 'p');
    CreateDirectoryA(moved.c_str(), nullptr);
    std::string saved;
    bool hadValue = ReadString(HKEY_LOCAL_MACHINE, shellFolders, "Common Programs", &saved);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, shellFolders, 0, KEY_ALL_ACCESS, &key));
    RegSetValueExA(key, "Common Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(moved.c_str()),
                   static_cast<DWORD>(moved.size() + 1));

    EXPECT_EQ(0, CreateStartMenuShortcuts());
    EXPECT_EQ(moved, ProgramsFolder);
    std::string group = JoinPath(moved, StartMenuFolderName);
    std::vector<std::string> links = ListNames(group, "*.lnk");
    std::sort(links.begin(), links.end());
    EXPECT_EQ((std::vector<std::string>{"Calibration.lnk", "Right Button.lnk"}), links);

    if (hadValue)
        RegSetValueExA(key, "Common Programs", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(saved.c_str()),
                       static_cast<DWORD>(saved.size() + 1));
    else
        RegDeleteValueA(key, "Common Programs");
    RegCloseKey(key);
    RemoveGroup(moved);
}

TEST(ShellLink, SaveFailureStillCountsAsHandedOver)
{
    CoInitialize(nullptr);
    std::string target = JoinPath(WindowsDir(), "notepad.exe");
    std::string missing = "C:\\no such folder\\Link.lnk";
    EXPECT_EQ(1, CreateShellLink(target.c_str(), missing.c_str(), "Notes", "C:\\", nullptr));
    EXPECT_FALSE(FileExists(missing));
    std::string link = "C:\\Notes.lnk";
    EXPECT_EQ(1, CreateShellLink(target.c_str(), link.c_str(), "Notes", "C:\\", "-x"));
    CoUninitialize();
    LinkContent content = ReadLink(link);
    EXPECT_EQ(target, content.Target);
    EXPECT_EQ("-x", content.Arguments);
    DeleteFileA(link.c_str());
}

}  // namespace
