#include <gtest/gtest.h>

#include <cstring>

#include "block_test_support.h"
#include "deployment.h"
#include "install_paths.h"
#include "os_class.h"
#include "restart_queue.h"
#include "run_journal.h"
#include "test_support.h"

namespace {

const char PackageDir[] = "C:\\package";
const char HeldEvent[] = "BlocksTargetHeld";
const char ReleaseEvent[] = "BlocksTargetRelease";

// Holds the file named by the argument open without any sharing until the
// test signals the release.
TEST_CHILD_ACTION(HoldFileOpen)
{
    HANDLE file = CreateFileA(argument, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, HeldEvent);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, ReleaseEvent);
    if (held == nullptr || release == nullptr)
        return 2;
    SetEvent(held);
    DWORD waited = WaitForSingleObject(release, 60000);
    CloseHandle(file);
    return waited == WAIT_OBJECT_0 ? 0 : 3;
}

// Run from a copy of this program: the paths as the installer computes them,
// then the deployment. Writes "<ModuleDirectory>|<result>|<last error>" to
// the file named by the argument.
TEST_CHILD_ACTION(DeployFromOwnDirectory)
{
    ComputeInstallPaths();
    OsClass = 10;
    int result = DeployPackageFiles();
    DWORD error = GetLastError();
    std::string report = std::string(ModuleDirectory) + "|" + std::to_string(result) + "|" + std::to_string(error);
    return WriteTextFile(argument, report) ? 0 : 1;
}

// The sources of the queue entries for path ("+" marks a replacement).
std::vector<std::string> QueuedFor(const std::string& path)
{
    std::vector<std::string> found;
    RestartQueue queue;
    EXPECT_TRUE(ReadRestartQueue(&queue));
    TakeOutQueuedEntries(&queue, path.c_str(), [](const QueuedEntry& entry, void* list) {
        static_cast<std::vector<std::string>*>(list)->push_back((entry.Deletion ? "" : "+") + std::string(entry.SourcePath));
        return false;
    }, &found);
    FreeRestartQueue(&queue);
    return found;
}

TEST(RestartQueue, TakesOutWhatConcernsAPathInAnyCaseAndDeletesTheValueOnceEmpty)
{
    std::string dir = JoinPath(WindowsDir(), "Temp");
    std::string target = JoinPath(dir, "Target.sys"), staged = JoinPath(dir, "qtu1.tmp"), other = JoinPath(dir, "o");
    ASSERT_TRUE(WriteTextFile(staged, "s") && WriteTextFile(other, "o"));
    ASSERT_TRUE(MoveFileExA(staged.c_str(), target.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(MoveFileExA(other.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA(JoinPath(dir, "TARGET.SYS").c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA(other.c_str(), staged.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ((std::vector<std::string>{"+" + staged, JoinPath(dir, "TARGET.SYS")}), QueuedFor(JoinPath(dir, "target.sys")));

    RestartQueue queue;
    ASSERT_TRUE(ReadRestartQueue(&queue));
    EXPECT_EQ(2, TakeOutQueuedEntries(&queue, target.c_str(), nullptr, nullptr));
    ASSERT_TRUE(WriteRestartQueue(&queue));
    EXPECT_TRUE(QueuedFor(target).empty());
    EXPECT_EQ((std::vector<std::string>{other}), QueuedFor(other));
    EXPECT_EQ((std::vector<std::string>{"+" + other}), QueuedFor(staged));
    EXPECT_EQ(2, TakeOutQueuedEntries(&queue, other.c_str(), nullptr, nullptr) +
                     TakeOutQueuedEntries(&queue, staged.c_str(), nullptr, nullptr));
    ASSERT_TRUE(WriteRestartQueue(&queue));
    FreeRestartQueue(&queue);
    EXPECT_FALSE(ValuePresent(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                              "PendingFileRenameOperations"));
}

class Deployment : public testing::Test {
protected:
    void SetUp() override
    {
        RemoveDeployment();
        WritePackage(PackageDir, "new");
        ComputeInstallPaths();
        strcpy(ModuleDirectory, PackageDir);
        OsClass = 10;
    }
    void TearDown() override { OsClass = 10; }

    // Every file of the install directory and of the family's second targets
    // holds the package text with this tag.
    static void ExpectDeployed(bool consumer, const std::string& tag, const std::string& from = PackageDir)
    {
        for (const std::string& name : PackageFileNames())
            EXPECT_EQ(PackageText(name, tag), ReadTextFile(JoinPath(InstallDirectoryPath(), name))) << name;
        for (const PackageFileRow& row : PackageFileTable) {
            const char* second = consumer ? row.ConsumerTarget : row.NtTarget;
            if (second[0] != '\0') {
                EXPECT_EQ(ReadTextFile(JoinPath(from, row.NameField)), ReadTextFile(JoinPath(WindowsDir(), second)))
                    << second;
            }
        }
    }
    static int DeployedFileCount()
    {
        int count = 0;
        for (const std::string& name : PackageFileNames())
            count += FileExists(JoinPath(InstallDirectoryPath(), name));
        return count;
    }
};

TEST(InstallPaths, ModuleDirectoryIsTheProgramsFolderAndWindowsDirectoryThePlatforms)
{
    memset(ModuleDirectory, 'x', sizeof ModuleDirectory);
    ComputeInstallPaths();
    std::string self = SelfPath();
    EXPECT_EQ(self.substr(0, self.rfind('\\')), ModuleDirectory);
    EXPECT_EQ(WindowsDir(), WindowsDirectory);
    EXPECT_EQ(InstallDirectoryPath(), InstallDirectory);
    EXPECT_TRUE(InstallPathsKnown());
}

TEST(InstallPaths, InstallDirectoryThatDoesNotFitIsLeftEmpty)
{
    // 246 characters and "\QuortouchUSB" fit 260 with the terminator; one more does not.
    for (size_t length : {246u, 247u}) {
        std::string windows = "C:\\" + std::string(length - 3, 'w');
        SetInstallPaths("C:\\package", windows.c_str());
        EXPECT_EQ(windows, WindowsDirectory);
        EXPECT_TRUE(InstallPathsKnown());
        char path[MAX_PATH];
        EXPECT_TRUE(FormatWindowsPath(path, "inf"));
        EXPECT_EQ(length == 246, InstallDirectory[0] != '\0') << length;
        EXPECT_EQ(length == 246 ? windows + "\\" + InstallDirectoryName : std::string(), InstallDirectory) << length;
        EXPECT_FALSE(FormatInstallPath(path, "QuortouchUsb.exe")) << length;  // 17 more characters
        EXPECT_STREQ("", path);
    }
    ComputeInstallPaths();
}

TEST_F(Deployment, CopiesEveryFileAndTheNtSecondCopies)
{
    ASSERT_EQ(0, DeployPackageFiles());
    ExpectDeployed(false, "new");
    for (const std::string& target : OnlyOfTheOtherFamily(false))
        EXPECT_FALSE(FileExists(target)) << target;
}

TEST_F(Deployment, ConsumerFamilyCopiesIntoItsOwnSecondTargetsInstead)
{
    // The older family's system directory; a 64-bit prefix has none.
    CreateDirectoryA(JoinPath(WindowsDir(), "System").c_str(), nullptr);
    OsClass = 3;
    ASSERT_EQ(0, DeployPackageFiles());
    ExpectDeployed(true, "new");
    for (const std::string& target : OnlyOfTheOtherFamily(true))
        EXPECT_FALSE(FileExists(target)) << target;
}

TEST_F(Deployment, ReadOnlyFilesOfAnEarlierInstallAreReplacedAndASecondRunOverwrites)
{
    ASSERT_EQ(0, DeployPackageFiles());
    ExpectDeployed(false, "new");
    for (const std::string& name : PackageFileNames())
        SetFileAttributesA(JoinPath(InstallDirectoryPath(), name).c_str(), FILE_ATTRIBUTE_READONLY);
    for (const std::string& target : SecondTargets(false))
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);

    WritePackage(PackageDir, "newer");
    ASSERT_EQ(0, DeployPackageFiles());
    ExpectDeployed(false, "newer");
    ASSERT_EQ(0, DeployPackageFiles());
    ExpectDeployed(false, "newer");
}

TEST_F(Deployment, MissingLastFileLeavesTheOthersCopiedAndReportsFileNotFound)
{
    const char* last = PackageFileTable[PackageFileCount - 1].NameField;
    ForceDelete(JoinPath(PackageDir, last));
    SetLastError(0);
    EXPECT_EQ(-1, DeployPackageFiles());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(PackageFileCount - 1, DeployedFileCount());
    EXPECT_FALSE(FileExists(JoinPath(InstallDirectoryPath(), last)));
    // The second copies of the others too, none of the missing file.
    for (int i = 0; i < PackageFileCount; ++i) {
        const char* second = PackageFileTable[i].NtTarget;
        if (second[0] != '\0') {
            EXPECT_EQ(i < PackageFileCount - 1, FileExists(JoinPath(WindowsDir(), second))) << second;
        }
    }
}

TEST_F(Deployment, MissingFirstFileCopiesNothing)
{
    ForceDelete(JoinPath(PackageDir, PackageFileTable[0].NameField));
    SetLastError(0);
    EXPECT_EQ(-1, DeployPackageFiles());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(0, DeployedFileCount());
    for (const std::string& target : SecondTargets(false))
        EXPECT_FALSE(FileExists(target)) << target;
}

// A target held open is staged for the restart; a failed run puts back what it
// found (old bytes, no new file or queue entry); a run that goes through drops
// what earlier runs queued for its targets.
TEST_F(Deployment, TargetInUseIsReplacedAtTheRestartAndAFailedRunPutsBackWhatItFound)
{
    std::string held = JoinPath(InstallDirectoryPath(), DRIVER_FILE_NAME);
    std::string earlier = JoinPath(InstallDirectoryPath(), DRIVER_INF_NAME);
    CreateDirectoryA(InstallDirectoryPath().c_str(), nullptr);
    ASSERT_TRUE(WriteTextFile(earlier, "earlier"));
    HANDLE heldEvent = CreateNamedEvent(HeldEvent);
    HANDLE releaseEvent = CreateNamedEvent(ReleaseEvent);
    StartedProcess child;
    ASSERT_TRUE(child.Start(ChildCommandLine("HoldFileOpen", held)));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(heldEvent, 30000));

    ASSERT_TRUE(StartRunJournal(JournalOfInstall));
    EXPECT_EQ(0, DeployPackageFiles());
    std::vector<std::string> queued = QueuedFor(held);
    ASSERT_EQ(1u, queued.size());
    std::string staged = queued[0].substr(1);
    EXPECT_EQ(PackageText(DRIVER_FILE_NAME, "new"), ReadTextFile(staged));
    EXPECT_EQ(PackageText(DRIVER_INF_NAME, "new"), ReadTextFile(earlier));

    EXPECT_TRUE(UndoRunJournal());
    SetEvent(releaseEvent);
    EXPECT_EQ(0, child.Wait(60000));
    CloseHandle(heldEvent);
    CloseHandle(releaseEvent);
    EXPECT_FALSE(FileExists(staged));
    EXPECT_TRUE(QueuedFor(held).empty());
    EXPECT_TRUE(FileExists(held));
    EXPECT_EQ("earlier", ReadTextFile(earlier));
    EXPECT_FALSE(FileExists(JoinPath(InstallDirectoryPath(), PackageFileTable[PackageFileCount - 1].NameField)));
    for (const std::string& target : SecondTargets(false))
        EXPECT_FALSE(FileExists(target)) << target;
    EXPECT_TRUE(DirectoryExists(InstallDirectoryPath()));

    // An earlier run's replacement of one target, a deletion of another.
    ASSERT_TRUE(WriteTextFile(staged, "older"));
    ASSERT_TRUE(MoveFileExA(staged.c_str(), held.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(MoveFileExA(earlier.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(StartRunJournal(JournalOfInstall));
    ASSERT_EQ(0, DeployPackageFiles());
    TakeOutSupersededEntries();
    EXPECT_TRUE(CommitRunJournal());
    EXPECT_TRUE(QueuedFor(held).empty());
    EXPECT_TRUE(QueuedFor(earlier).empty());
    EXPECT_FALSE(FileExists(staged));
    WIN32_FIND_DATAA found;
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(JoinPath(InstallDirectoryPath(), "qtu*.tmp").c_str(), &found))
        << found.cFileName;  // nor the old bytes kept while the run went on
    ExpectDeployed(false, "new");
}

TEST_F(Deployment, RunningFromTheInstallDirectoryKeepsTheInstalledFiles)
{
    ASSERT_EQ(0, DeployPackageFiles());
    // The uninstall link and entry start the install directory's copy, which
    // other parts of the installer name "QuortouchUsb".
    for (const char* name : {"QuortouchUSB", "QuortouchUsb"}) {
        std::string module = JoinPath(WindowsDir(), name);
        strcpy(ModuleDirectory, module.c_str());
        SetLastError(0);
        EXPECT_EQ(0, DeployPackageFiles()) << name << " " << GetLastError();
        ExpectDeployed(false, "new", InstallDirectoryPath());
    }
}

TEST_F(Deployment, ModuleDirectoryAtADriveRootFormsSourcesWithTheBareDrive)
{
    // The package and a copy of this program at the root of drive C: of the
    // test's own prefix.
    WritePackage("C:\\", "root");
    ASSERT_TRUE(CopyFileA(SelfPath().c_str(), "C:\\blocks.exe", FALSE));

    std::string report = JoinPath(PackageDir, "report.txt");
    EXPECT_EQ(0, RunProcess(ChildCommandLine("DeployFromOwnDirectory", report, "C:\\blocks.exe")));
    std::string text = ReadTextFile(report);
    EXPECT_EQ(0u, text.rfind("C:|0|", 0)) << text;
    ExpectDeployed(false, "root", "C:\\");

    for (const std::string& name : PackageFileNames())
        ForceDelete(JoinPath("C:\\", name));
    ForceDelete("C:\\blocks.exe");
}

TEST_F(Deployment, OverLongBasePathsFailWithFilenameExceedsRange)
{
    // The first source, "<dir>\<first file>", needs a backslash and its name
    // more; longDir leaves room for all but the name's last character.
    const size_t room = strlen(PackageFileTable[0].NameField);
    std::string longDir = "C:\\" + std::string(MAX_PATH - 1 - 3 - room, 'd');
    ASSERT_EQ(MAX_PATH - 1 - room, longDir.size());
    std::string windows = WindowsDirectory;
    for (size_t length : {longDir.size(), static_cast<size_t>(MAX_PATH - 1)}) {
        memset(ModuleDirectory, 0, sizeof ModuleDirectory);
        memcpy(ModuleDirectory, longDir.c_str(), 3);
        memset(ModuleDirectory + 3, 'd', length - 3);
        SetLastError(0);
        EXPECT_EQ(-1, DeployPackageFiles()) << length;
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError()) << length;
        EXPECT_EQ(length, strlen(ModuleDirectory));
        EXPECT_EQ(windows, WindowsDirectory);
        EXPECT_EQ(0, DeployedFileCount());
    }

    SetInstallPaths(PackageDir, ("C:\\" + std::string(MAX_PATH - 1 - 3, 'w')).c_str());
    EXPECT_EQ(static_cast<size_t>(MAX_PATH - 1), strlen(WindowsDirectory));
    SetLastError(0);
    EXPECT_EQ(-1, DeployPackageFiles());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    SetInstallPaths(PackageDir, windows.c_str());
    EXPECT_EQ(0, DeployedFileCount());
}

}  // namespace
