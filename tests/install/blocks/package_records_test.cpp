// The records of the Windows Installer package against the real registry,
// files and restart queue: how Install.exe decides about the package's
// entries (installed, stale, none), its listing under the upgrade code, the
// removal's sweep of every user hive, and what a removal leaves for the
// restart, each undone from the run's journal.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <algorithm>

#include "autostart.h"
#include "install_paths.h"
#include "leftovers.h"
#include "logon_values.h"
#include "package_owner.h"
#include "queue_entries.h"
#include "run_journal.h"
#include "system_snapshot.h"
#include "test_support.h"
#include "uninstall_entry.h"
#include "upgrade_records.h"

namespace {

const char Listed[] = "{1A2B3C4D-5E6F-4A1B-8C2D-3E4F5A6B7C8D}";
const char Entry[] = "{0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9}";
const char JournalFile[] = "C:\\package-records.qtj";

std::string EntryKey(const char* code)
{
    return std::string(UninstallParentKey) + "\\" + code;
}

void WritePackageEntry(const char* code, bool byInstaller)
{
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, EntryKey(code).c_str(), "DisplayName", UninstallDisplayName));
    if (byInstaller) {
        ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, EntryKey(code).c_str(), "WindowsInstaller", 1));
    }
}

TEST(PackageOwner, OnlyAnEntryByWindowsInstallerIsAskedAboutAndAnUnknownProductIsStale)
{
    PackageProducts installed, stale, entries;
    EXPECT_EQ(0, FindInstalledPackages(&installed, &stale));
    // The wizard's own entry and a bare one with the name are no package's.
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName", UninstallDisplayName));
    WritePackageEntry(Listed, false);
    EXPECT_EQ(0, FindPackageEntries(&entries));

    WritePackageEntry(Entry, true);
    ASSERT_EQ(1, FindPackageEntries(&entries));
    EXPECT_STREQ(Entry, entries.Codes[0]);
    EXPECT_EQ(0, FindPackageEntries(&entries, Entry));
    // Windows Installer does not know it, listed under the upgrade code or
    // not: installed is only what it reports installed.
    ASSERT_TRUE(RelistUnderUpgradeCode(Listed));
    EXPECT_EQ(0, FindInstalledPackages(&installed, &stale));
    ASSERT_EQ(1, stale.Count);
    EXPECT_STREQ(Entry, stale.Codes[0]);
    char code[ProductCodeSize];
    EXPECT_FALSE(FindInstalledPackage(code));

    // "/u" then has no package to hand over to and leaves the stale entry
    // for after the wizard's own removal.
    PackageProducts left;
    EXPECT_EQ(PackageRemoval::NoPackage, RemoveThroughInstalledPackages(&left));
    ASSERT_EQ(1, left.Count);
    DeleteStalePackageEntries(left);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, EntryKey(Entry).c_str()));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, EntryKey(Listed).c_str()));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
}

TEST(PackageOwner, UpgradeCodeListingIsTheInstallersPackedForm)
{
    EXPECT_FALSE(RelistUnderUpgradeCode("VessaTouch"));
    ASSERT_TRUE(RelistUnderUpgradeCode(Listed));
    // {1A2B3C4D-5E6F-4A1B-8C2D-3E4F5A6B7C8D} packed: each of the first three
    // groups reversed, the bytes of the last two with their digits swapped.
    EXPECT_TRUE(ValuePresent(HKEY_LOCAL_MACHINE,
                             "Software\\Classes\\Installer\\UpgradeCodes\\C1E2B6F3A4D795C4E9B0A5D1C8F2B407",
                             "D4C3B2A1F6E5B1A4C8D2E3F4A5B6C7D8"));
}

// A run's journal, in which the package's actions record before they change.
class PackageJournal : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteFileA(JournalFile);
        ASSERT_TRUE(OpenRunJournal(JournalFile, JournalOfRemoval, JournalOfPackage));
    }
    void TearDown() override { CloseRunJournal(); }
};

// Two user hives besides the current user's, one of them with its classes.
const char OtherUser[] = "S-1-5-21-1-2-3-1001";
const char OtherClasses[] = "S-1-5-21-1-2-3-1001_Classes";

std::string InHive(const char* hive, const char* path)
{
    return std::string(hive) + "\\" + path;
}

std::string CurrentUserSid()
{
    HANDLE token = nullptr;
    BYTE buffer[256];
    DWORD size = 0;
    char* text = nullptr;
    std::string sid;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
        GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
        sid = text;
        LocalFree(text);
    }
    if (token != nullptr)
        CloseHandle(token);
    return sid;
}

TEST_F(PackageJournal, LogonValuesOfEveryLoadedUserGoAndComeBackAtTheUndo)
{
    const std::string self = CurrentUserSid();
    ASSERT_FALSE(self.empty());
    ASSERT_TRUE(SetInstallingUsersLogonValue(self.c_str()));
    std::string data;
    ASSERT_TRUE(ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &data));
    char expected[MAX_PATH];
    ASSERT_TRUE(FormatAutostartData(expected, AutostartValueName, AutostartFileName));
    EXPECT_EQ(expected, data);
    for (const char* hive : {OtherUser, OtherClasses})
        ASSERT_TRUE(WriteString(HKEY_USERS, InHive(hive, RunKey).c_str(), AutostartValueName, "x"));
    ASSERT_TRUE(WriteString(HKEY_USERS, InHive(OtherUser, ActiveSetupKey).c_str(), "Version", "1,0,0,0"));

    bool installingUserStays = true;
    EXPECT_EQ(0, RemoveLogonValuesOfEveryUser(self.c_str(), &installingUserStays));
    EXPECT_FALSE(installingUserStays);
    EXPECT_FALSE(AutostartValuePresent());
    EXPECT_FALSE(ValuePresent(HKEY_USERS, InHive(OtherUser, RunKey).c_str(), AutostartValueName));
    EXPECT_FALSE(KeyExists(HKEY_USERS, InHive(OtherUser, ActiveSetupKey).c_str()));
    // A user's classes are no user hive.
    EXPECT_TRUE(ValuePresent(HKEY_USERS, InHive(OtherClasses, RunKey).c_str(), AutostartValueName));

    // The undo puts back the other user's, and takes the installing user's
    // again, as it was before this run wrote it.
    EXPECT_TRUE(UndoRunJournal());
    EXPECT_FALSE(AutostartValuePresent());
    EXPECT_TRUE(ReadString(HKEY_USERS, InHive(OtherUser, RunKey).c_str(), AutostartValueName, &data));
    EXPECT_EQ("x", data);
    EXPECT_TRUE(ValuePresent(HKEY_USERS, InHive(OtherUser, ActiveSetupKey).c_str(), "Version"));
    DeleteTree(HKEY_USERS, OtherUser);
    DeleteTree(HKEY_USERS, OtherClasses);
}

TEST_F(PackageJournal, ALogonValueThatCanNotBeDeletedIsCountedAndNamesTheInstallingUser)
{
    ASSERT_TRUE(WriteString(HKEY_USERS, InHive(OtherUser, RunKey).c_str(), AutostartValueName, "x"));
    ASSERT_TRUE(SetKeyDacl(HKEY_USERS, InHive(OtherUser, RunKey).c_str(), "D:(A;;KR;;;WD)"));
    bool installingUserStays = false;
    EXPECT_EQ(1, RemoveLogonValuesOfEveryUser("S-1-5-21-9-9-9-9", &installingUserStays));
    EXPECT_FALSE(installingUserStays);
    EXPECT_EQ(1, RemoveLogonValuesOfEveryUser(OtherUser, &installingUserStays));
    EXPECT_TRUE(installingUserStays);
    ASSERT_TRUE(SetKeyDacl(HKEY_USERS, InHive(OtherUser, RunKey).c_str(), "D:(A;;KA;;;WD)"));
    DeleteTree(HKEY_USERS, OtherUser);
}

// A removal's leftovers in a scratch Windows directory: one file set aside
// under a name of ours, one held open without delete sharing queued under
// its own; the undo puts both back; the commit deletes the set-aside copy
// and the folder follows the held file at the restart.
TEST_F(PackageJournal, LeftoversAreSetAsideForTheRestartAndComeBackAtTheUndo)
{
    const std::string windows = "C:\\leftovers";
    CreateDirectoryA(windows.c_str(), nullptr);
    SetInstallPaths(windows.c_str(), windows.c_str());
    CreateDirectoryA(InstallDirectory, nullptr);
    const std::string running = JoinPath(InstallDirectory, "QuortouchUsb.exe");
    const std::string held = JoinPath(InstallDirectory, "ReadMe.txt");
    ASSERT_TRUE(WriteTextFile(running, "running"));
    ASSERT_TRUE(WriteTextFile(held, "held"));
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);

    EXPECT_EQ(2, SetAsideLeftovers());
    EXPECT_FALSE(FileExists(running));
    EXPECT_TRUE(PendingDeletion(held));
    EXPECT_TRUE(UndoRunJournal());
    EXPECT_EQ("running", ReadTextFile(running));
    EXPECT_FALSE(PendingDeletion(held));

    ASSERT_TRUE(OpenRunJournal(JournalFile, JournalOfRemoval, JournalOfPackage));
    EXPECT_EQ(2, SetAsideLeftovers());
    EXPECT_TRUE(CommitRunJournal());
    QueueLeftoverFolders();
    CloseHandle(file);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(InstallDirectory, "qtu*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search) << "the set-aside copy is deleted at the commit";
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    std::vector<std::string> deletions = PendingDeletions();
    auto heldAt = std::find(deletions.begin(), deletions.end(), Lower(held));
    auto folderAt = std::find(deletions.begin(), deletions.end(), Lower(InstallDirectory));
    ASSERT_NE(deletions.end(), folderAt);
    EXPECT_LT(heldAt, folderAt) << "the folder goes after its files";
}

// A failed installation's rollback takes out what the installer queued for
// the package's targets since the run began: the replacement of a file in
// use (its staged file deleted) and the deletion before it; what came
// before the run and what concerns other files stays.
TEST(PackageRollback, ReplacementsOfOurTargetsSinceTheRunBeganAreTakenOut)
{
    const std::string windows = "C:\\replacements";
    CreateDirectoryA(windows.c_str(), nullptr);
    SetInstallPaths(windows.c_str(), windows.c_str());
    CreateDirectoryA(InstallDirectory, nullptr);
    const std::string target = JoinPath(InstallDirectory, "QuortouchUsb.exe");
    const std::string staged = JoinPath(InstallDirectory, "msi1234.tmp");
    const std::string other = JoinPath(windows, "other.txt");
    for (const std::string& file : {target, staged, other, JoinPath(windows, "older.tmp")})
        ASSERT_TRUE(WriteTextFile(file, "x"));
    ASSERT_TRUE(MoveFileExA(JoinPath(windows, "older.tmp").c_str(), target.c_str(),
                            MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
    RestartQueue queue;
    ASSERT_TRUE(ReadRestartQueue(&queue));
    const int before = CountQueuedPairs(&queue);
    FreeRestartQueue(&queue);
    ASSERT_TRUE(MoveFileExA(target.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA(staged.c_str(), target.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA(other.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));

    EXPECT_EQ(2, TakeOutReplacementsSince(before));
    EXPECT_FALSE(FileExists(staged));
    EXPECT_FALSE(QueueNames(staged));
    EXPECT_FALSE(PendingDeletion(target));
    EXPECT_TRUE(QueueNames(JoinPath(windows, "older.tmp")));
    EXPECT_TRUE(PendingDeletion(other));
}

}  // namespace
