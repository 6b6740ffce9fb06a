// The run journal against the real files, registry, service manager and
// restart queue: each record type undone (and committed where a commit does
// something), a torn record, a journal of a live and of a killed run, and
// where a restore that waits for the restart goes in the queue.
#include <gtest/gtest.h>

#include "autostart.h"
#include "block_test_support.h"
#include "queue_entries.h"
#include "run_journal.h"
#include "system_snapshot.h"
#include "test_support.h"

namespace {

const char Scratch[] = "C:\\journal";
const char JournalFile[] = "C:\\journal\\run.qtj";
const char SessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char Pending[] = "PendingFileRenameOperations";
const char TestKey[] = "Software\\JournalTest";

std::string InScratch(const char* name)
{
    return JoinPath(Scratch, name);
}

std::vector<BYTE> QueueBytes()
{
    DWORD type = 0;
    std::vector<BYTE> bytes;
    ReadValue(HKEY_LOCAL_MACHINE, SessionManager, Pending, &type, &bytes);
    return bytes;
}

// The queue's pairs as "source>destination".
std::vector<std::string> QueuedPairs()
{
    std::vector<std::string> pairs;
    RestartQueue queue;
    EXPECT_TRUE(ReadRestartQueue(&queue));
    QueuedPair pair;
    for (int i = 0; QueuedPairAt(&queue, i, &pair); ++i) {
        char source[600] = {}, destination[600] = {};
        WideCharToMultiByte(CP_ACP, 0, pair.Source, -1, source, sizeof source, nullptr, nullptr);
        WideCharToMultiByte(CP_ACP, 0, pair.Destination, -1, destination, sizeof destination, nullptr, nullptr);
        pairs.push_back(std::string(source) + ">" + destination);
    }
    FreeRestartQueue(&queue);
    return pairs;
}

void ClearQueue()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManager, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, Pending);
        RegCloseKey(key);
    }
}

// Files to queue: the queue's entries name files that are there.
void MakeFiles(std::initializer_list<std::string> paths)
{
    for (const std::string& path : paths)
        ASSERT_TRUE(WriteTextFile(path, "x")) << path;
}

std::string Nt(const std::string& path)
{
    return "\\??\\" + path;
}

class Journal : public testing::Test {
protected:
    void SetUp() override
    {
        CreateDirectoryA(Scratch, nullptr);
        ClearQueue();
        DeleteTree(HKEY_LOCAL_MACHINE, TestKey);
        DeleteFileA(JournalFile);
        ASSERT_TRUE(OpenRunJournal(JournalFile, JournalOfInstall, JournalOfPackage));
    }
    void TearDown() override { CloseRunJournal(); }
    // Undone: the journal is gone with its records.
    void Undo()
    {
        EXPECT_TRUE(UndoRunJournal());
        EXPECT_FALSE(FileExists(JournalFile));
        EXPECT_FALSE(RunJournalOpen());
    }
};

TEST_F(Journal, FileCreatedIsDeleted)
{
    std::string file = InScratch("created.txt");
    ASSERT_TRUE(RecordFileCreated(file.c_str()) && WriteTextFile(file, "half a copy"));
    Undo();
    EXPECT_FALSE(FileExists(file));
}

TEST_F(Journal, FileOverwrittenGetsItsKeptBytesBackOrLosesTheKeptCopyAtTheCommit)
{
    std::string target = InScratch("target.sys"), kept = InScratch("qtu1.tmp");
    for (bool commit : {false, true}) {
        ASSERT_TRUE(WriteTextFile(target, "old") && CopyFileA(target.c_str(), kept.c_str(), FALSE));
        ASSERT_TRUE(RecordFileOverwritten(target.c_str(), kept.c_str()) && WriteTextFile(target, "new"));
        EXPECT_TRUE(commit ? CommitRunJournal() : UndoRunJournal());
        EXPECT_EQ(commit ? "new" : "old", ReadTextFile(target));
        EXPECT_FALSE(FileExists(kept));
        EXPECT_FALSE(FileExists(JournalFile));
        ASSERT_TRUE(OpenRunJournal(JournalFile, JournalOfInstall, JournalOfPackage));
    }
}

TEST_F(Journal, FileStagedLeavesTheQueueAndItsCopyGoes)
{
    std::string target = InScratch("driver.sys"), staged = InScratch("qtu2.tmp");
    MakeFiles({target, InScratch("other")});
    ASSERT_TRUE(MoveFileExA(InScratch("other").c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    std::vector<BYTE> before = QueueBytes();
    ASSERT_TRUE(RecordFileStaged(target.c_str(), staged.c_str()) && WriteTextFile(staged, "new"));
    ASSERT_TRUE(MoveFileExA(staged.c_str(), target.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
    Undo();
    EXPECT_EQ(before, QueueBytes());
    EXPECT_FALSE(FileExists(staged));
}

TEST_F(Journal, QueueEntriesTakenOutAndAddedComeBackStringForStringWhereTheyStood)
{
    MakeFiles({InScratch("a"), InScratch("b"), InScratch("c")});
    for (const char* name : {"a", "b", "c"})
        ASSERT_TRUE(MoveFileExA(InScratch(name).c_str(), (InScratch(name) + "2").c_str(), MOVEFILE_DELAY_UNTIL_REBOOT));
    std::vector<BYTE> before = QueueBytes();
    RestartQueue queue;
    ASSERT_TRUE(ReadRestartQueue(&queue));
    QueuedPair pair;
    ASSERT_TRUE(QueuedPairAt(&queue, 1, &pair));
    ASSERT_TRUE(RecordQueueEntryTakenOut(1, pair.Source, pair.Destination, false));
    ASSERT_TRUE(RemoveQueuedPair(&queue, 1));
    ASSERT_TRUE(RecordQueueEntryAdded(L"\\??\\C:\\journal\\d", L"") && InsertQueuedPair(&queue, 2, L"\\??\\C:\\journal\\d", L""));
    ASSERT_TRUE(WriteRestartQueue(&queue));
    FreeRestartQueue(&queue);
    ASSERT_NE(before, QueueBytes());
    Undo();
    EXPECT_EQ(before, QueueBytes());
}

TEST_F(Journal, KeysCreatedGoFromTheOutermostNewLevelOn)
{
    std::string inner = std::string(TestKey) + "\\Outer\\Inner\\";
    ASSERT_TRUE(RecordKeyCreated(HKEY_LOCAL_MACHINE, inner.c_str()));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, inner.c_str(), "Value", 1));
    Undo();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, TestKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software"));
}

TEST_F(Journal, ValuesGetTheirTypeAndBytesBackOrGoWhenTheyWereAbsent)
{
    const BYTE binary[] = {0, 1, 0, 0xff, 7};
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, TestKey, &key));
    RegSetValueExA(key, "Binary", 0, REG_BINARY, binary, sizeof binary);
    RegSetValueExA(key, "Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>("25"), 2);
    RegSetValueExA(key, "Deleted", 0, REG_DWORD, binary, 4);
    std::map<std::string, std::vector<BYTE>> before;
    for (const char* name : {"Binary", "Unterminated", "Deleted"}) {
        DWORD type = 0;
        ASSERT_TRUE(ReadValue(HKEY_LOCAL_MACHINE, TestKey, name, &type, &before[name]));
        before[name].push_back(static_cast<BYTE>(type));
    }
    for (const char* name : {"Binary", "Unterminated", "Deleted", "Absent"})
        ASSERT_TRUE(RecordValue(HKEY_LOCAL_MACHINE, TestKey, name));
    RegSetValueExA(key, "Binary", 0, REG_DWORD, binary, 4);
    RegSetValueExA(key, "Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>("100"), 4);
    RegDeleteValueA(key, "Deleted");
    RegSetValueExA(key, "Absent", 0, REG_DWORD, binary, 4);
    RegCloseKey(key);
    Undo();
    for (const auto& value : before) {
        DWORD type = 0;
        std::vector<BYTE> after;
        EXPECT_TRUE(ReadValue(HKEY_LOCAL_MACHINE, TestKey, value.first.c_str(), &type, &after)) << value.first;
        after.push_back(static_cast<BYTE>(type));
        EXPECT_EQ(value.second, after) << value.first;
    }
    EXPECT_FALSE(ValuePresent(HKEY_LOCAL_MACHINE, TestKey, "Absent"));
}

TEST_F(Journal, AccessListGetsItsEarlierDescriptorBack)
{
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, TestKey, "Value", 1));
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, TestKey, "D:P(A;;KR;;;WD)(A;OICI;KA;;;SY)(A;;KA;;;BA)"));
    std::string before = KeyAccessList(HKEY_LOCAL_MACHINE, TestKey);
    ASSERT_TRUE(RecordAccessList(HKEY_LOCAL_MACHINE, TestKey));
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, TestKey, "D:(A;OICI;KA;;;BU)(A;OICI;KA;;;BG)"));
    ASSERT_NE(before, KeyAccessList(HKEY_LOCAL_MACHINE, TestKey));
    Undo();
    EXPECT_EQ(before, KeyAccessList(HKEY_LOCAL_MACHINE, TestKey));
}

// The service's configuration as the manager reports it ("" when missing).
std::string ServiceConfiguration(const char* name)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, name, SERVICE_QUERY_CONFIG);
    std::string text;
    BYTE buffer[8192];
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
    if (service != nullptr && QueryServiceConfigA(service, config, sizeof buffer, &needed))
        text = std::to_string(config->dwServiceType) + "|" + std::to_string(config->dwStartType) + "|" +
               std::to_string(config->dwErrorControl) + "|" + config->lpBinaryPathName + "|" +
               config->lpLoadOrderGroup + "|" + config->lpDisplayName;
    if (service != nullptr)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return text;
}

TEST_F(Journal, DriverServiceCreatedGoesAndOneReconfiguredGetsItsConfigurationBack)
{
    const char name[] = "JournalTestDriver";
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(nullptr, manager);
    ASSERT_TRUE(RecordDriverService(name));
    SC_HANDLE service = CreateServiceA(manager, name, "Journal test", SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                       SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "C:\\journal\\one.sys", "Base",
                                       nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, service);
    CloseServiceHandle(service);
    Undo();
    EXPECT_EQ("", ServiceConfiguration(name));

    service = CreateServiceA(manager, name, "Journal test", SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                             SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "C:\\journal\\one.sys", "Base", nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, service);
    std::string before = ServiceConfiguration(name);
    ASSERT_TRUE(OpenRunJournal(JournalFile, JournalOfInstall, JournalOfPackage) && RecordDriverService(name));
    ASSERT_TRUE(ChangeServiceConfigA(service, SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_ERROR_IGNORE,
                                     "C:\\journal\\two.sys", "", nullptr, nullptr, nullptr, nullptr, "Changed"));
    ASSERT_NE(before, ServiceConfiguration(name));
    Undo();
    EXPECT_EQ(before, ServiceConfiguration(name));
    DeleteService(service);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

// A record reads what is missing before the change makes it, and a journal
// is opened again by each of the package's actions; the failure box or
// message after the change shows the change's own code, not the journal's.
TEST_F(Journal, RecordsAndAReopenedJournalLeaveTheCallersLastErrorCode)
{
    std::string absent = InScratch("Absent");
    std::string key = std::string(TestKey) + "\\Absent";
    const DWORD callers = 4242;
    auto kept = [&](bool recorded) { return recorded && GetLastError() == callers; };
    SetLastError(callers);
    EXPECT_TRUE(kept(RecordDriverService("JournalAbsentDriver")));
    SetLastError(callers);
    EXPECT_TRUE(kept(RecordFolderCreated(absent.c_str())));
    SetLastError(callers);
    EXPECT_TRUE(kept(RecordShortcut((absent + ".lnk").c_str())));
    SetLastError(callers);
    EXPECT_TRUE(kept(RecordKeyCreated(HKEY_LOCAL_MACHINE, key.c_str())));
    SetLastError(callers);
    EXPECT_TRUE(kept(RecordValue(HKEY_LOCAL_MACHINE, key.c_str(), "Absent")));
    // The package's next action opens the same journal again.
    CloseRunJournal();
    SetLastError(callers);
    EXPECT_TRUE(kept(OpenRunJournal(JournalFile, JournalOfInstall, JournalOfPackage)));
    Undo();
}

TEST_F(Journal, ShortcutsGetTheirBytesBackOrGoWithTheirNewFolder)
{
    std::string folder = InScratch("Group"), existing = InScratch("Old.lnk"), added = folder + "\\New.lnk";
    ASSERT_TRUE(WriteTextFile(existing, "earlier link"));
    ASSERT_TRUE(RecordShortcut(existing.c_str()) && WriteTextFile(existing, "this run's link"));
    ASSERT_TRUE(RecordFolderCreated(folder.c_str()) && CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(RecordShortcut(added.c_str()) && WriteTextFile(added, "new link"));
    Undo();
    EXPECT_EQ("earlier link", ReadTextFile(existing));
    EXPECT_FALSE(DirectoryExists(folder));
}

TEST_F(Journal, LogonValueGetsItsEarlierDataBackOrGoes)
{
    for (bool earlier : {true, false}) {
        if (earlier) {
            ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, RunKey, AutostartValueName, "C:\\earlier.exe"));
        }
        ASSERT_TRUE(RecordLogonValue(AutostartValueName));
        SetAutostartValue(AutostartValueName, AutostartFileName);
        Undo();
        std::string data;
        EXPECT_EQ(earlier, ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &data));
        EXPECT_EQ(earlier ? "C:\\earlier.exe" : "", data);
        DeleteAutostartValue(AutostartValueName);
        ASSERT_TRUE(OpenRunJournal(JournalFile, JournalOfInstall, JournalOfPackage));
    }
}

// A kill in the middle of a write leaves part of a record: it is ignored by
// an undo, and a later process of the same run writes after the last whole
// record.
TEST_F(Journal, TornLastRecordIsIgnoredAndOverwritten)
{
    std::string first = InScratch("first.txt"), second = InScratch("second.txt"), third = InScratch("third.txt");
    ASSERT_TRUE(RecordFileCreated(first.c_str()) && RecordFileCreated(second.c_str()));
    CloseRunJournal();
    HANDLE file = CreateFileA(JournalFile, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    // The last bytes never reached the disk.
    SetFilePointer(file, -3, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, "\0\0\0", 3, &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(OpenRunJournal(JournalFile, JournalOfInstall, JournalOfPackage));
    ASSERT_TRUE(RecordFileCreated(third.c_str()));
    CloseRunJournal();
    for (const std::string& path : {first, second, third})
        ASSERT_TRUE(WriteTextFile(path, "x"));
    EXPECT_TRUE(UndoJournalFile(JournalFile));
    EXPECT_FALSE(FileExists(first));
    EXPECT_TRUE(FileExists(second));
    EXPECT_FALSE(FileExists(third));
    EXPECT_FALSE(FileExists(JournalFile));
}

const char JournalHeld[] = "JournalHeld";

// An install run of the wizard that creates a file and then waits to be
// killed.
TEST_CHILD_ACTION(InstallRunKilledLater)
{
    HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, JournalHeld);
    if (held == nullptr || !StartRunJournal(JournalOfInstall) || !RecordFileCreated(argument) ||
        !WriteTextFile(argument, "x"))
        return 1;
    SetEvent(held);
    Sleep(INFINITE);
    return 0;
}

TEST_F(Journal, RecoveryLeavesALiveRunAloneAndUndoesItOnceKilled)
{
    CloseRunJournal();
    HANDLE held = CreateNamedEvent(JournalHeld);
    std::string file = InScratch("killed-run.txt");
    StartedProcess run;
    ASSERT_TRUE(run.Start(ChildCommandLine("InstallRunKilledLater", file)));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held, 30000));
    char folder[MAX_PATH];
    ASSERT_TRUE(JournalFolderPath(folder));
    EXPECT_EQ(0, RecoverKilledRuns());
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(DirectoryExists(folder));
    EXPECT_EQ(-999, run.Wait(1));
    EXPECT_EQ(1, RecoverKilledRuns());
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(DirectoryExists(folder));
    CloseHandle(held);
}

// A kept copy whose target is held open: queued to go back at the restart,
// ahead of what was queued since the run started, and left in place until
// then.
class DelayedRestore : public Journal {
protected:
    void SetUp() override
    {
        CloseRunJournal();
        ClearQueue();
        CreateDirectoryA(Scratch, nullptr);
        DeleteFileA(JournalFile);
        ASSERT_TRUE(WriteTextFile(target, "earlier") && CopyFileA(target.c_str(), kept.c_str(), FALSE));
        MakeFiles({later, earlier, InScratch("unrelated")});
    }
    void TearDown() override
    {
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);
        Journal::TearDown();
    }
    // Queues what is given before the run, overwrites the target, queues
    // something else, holds the target open and undoes.
    void FailedRunWithTargetHeld(const std::string& earlierSource, const char* earlierDestination)
    {
        ASSERT_TRUE(MoveFileExA(earlierSource.c_str(), earlierDestination, MOVEFILE_DELAY_UNTIL_REBOOT |
                                                                           MOVEFILE_REPLACE_EXISTING));
        ASSERT_TRUE(OpenRunJournal(JournalFile, JournalOfInstall, JournalOfPackage));
        ASSERT_TRUE(RecordFileOverwritten(target.c_str(), kept.c_str()) && WriteTextFile(target, "failed run"));
        ASSERT_TRUE(MoveFileExA(later.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
        holder = HoldOpen(target);
        ASSERT_NE(INVALID_HANDLE_VALUE, holder);
        Undo();
        EXPECT_EQ("failed run", ReadTextFile(target));
        EXPECT_TRUE(FileExists(kept));
    }
    std::string target = InScratch("QuortouchUsb.exe"), kept = InScratch("qtu3.tmp");
    std::string later = InScratch("later.tmp"), earlier = InScratch("qtu4.tmp");
    HANDLE holder = INVALID_HANDLE_VALUE;
};

TEST_F(DelayedRestore, GoesAheadOfEntriesQueuedSinceTheRunStarted)
{
    FailedRunWithTargetHeld(InScratch("unrelated"), nullptr);
    EXPECT_EQ((std::vector<std::string>{Nt(InScratch("unrelated")) + ">", Nt(kept) + ">!" + Nt(target),
                                        Nt(later) + ">"}),
              QueuedPairs());
}

TEST_F(DelayedRestore, AnOlderReplacementOrDeletionOfTheTargetWinsAndTheKeptCopyIsDeleted)
{
    FailedRunWithTargetHeld(earlier, target.c_str());
    EXPECT_EQ((std::vector<std::string>{Nt(earlier) + ">!" + Nt(target), Nt(later) + ">", Nt(kept) + ">"}),
              QueuedPairs());
    ClearQueue();
    CloseHandle(holder);
    holder = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(WriteTextFile(target, "earlier") && CopyFileA(target.c_str(), kept.c_str(), FALSE));
    FailedRunWithTargetHeld(target, nullptr);
    EXPECT_EQ((std::vector<std::string>{Nt(target) + ">", Nt(later) + ">", Nt(kept) + ">"}), QueuedPairs());
}

}  // namespace
