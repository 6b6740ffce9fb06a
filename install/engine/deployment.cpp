// The copy of the package files into the install directory and the system
// directories, and the restart queue's entries for those targets.
#include "deployment.h"

#include <cstring>

#include "bounded_format.h"
#include "files_in_use.h"
#include "install_paths.h"
#include "os_class.h"
#include "restart_queue.h"

// Source and first target name, second target on the NT family, second target
// on the older consumer family (both relative to the Windows directory).
const PackageFileRow PackageFileTable[PackageFileCount] = {
    {"QuortouchUsb.cpl", "System32\\QuortouchUsb.cpl", "System\\QuortouchUsb.cpl"},
    {"QuortouchUsb.exe", "System32\\QuortouchUsb.exe", "System\\QuortouchUsb.exe"},
    {"QuorUsb.sys", "System32\\Drivers\\QuorUsb.sys", "System32\\Drivers\\QuorUsb.sys"},
    {"QuorUsb.inf", "inf\\QuorUsb.inf", "inf\\QuorUsb.inf"},
    {"QuortouchUsb.chm", "", ""},
    {"QuorUsb.exe", "", ""},
    {"Install.exe", "", ""},
    {"Write.exe", "", ""},
    {"RBtn.exe", "", ""},
    {"ReadMe.txt", "", ""},
};
static_assert(sizeof(PackageFileRow) == 160, "three fields of 32, 64 and 64 bytes");

namespace {

// What the latest DeployPackageFiles did, so that the clean-up after a failed
// step puts back exactly what was there, and a run that went through can
// drop what earlier runs left for the restart. Each row has at most two
// targets, each written once a run.
constexpr int MaxDeployedTargets = 2 * PackageFileCount;
struct TargetAndCopy {
    char Target[MAX_PATH];
    char Copy[MAX_PATH];
};
struct DeploymentRecord {
    bool DirectoryCreated;
    // Every target the run wrote, replaced at the restart or found holding
    // the bytes already.
    int WrittenCount;
    char Written[MaxDeployedTargets][MAX_PATH];
    // Targets that were not there before.
    int CreatedCount;
    char Created[MaxDeployedTargets][MAX_PATH];
    // Targets overwritten, with a copy of their old bytes beside them.
    int KeptCount;
    TargetAndCopy Kept[MaxDeployedTargets];
    // Targets in use, with the copy queued to replace them at the restart.
    int StagedCount;
    TargetAndCopy Staged[MaxDeployedTargets];
};
DeploymentRecord ThisRun;

void Remember(char (&list)[MaxDeployedTargets][MAX_PATH], int* count, const char* path)
{
    if (*count < MaxDeployedTargets && FormatInto(list[*count], "%s", path))
        ++*count;
}

void RememberPair(TargetAndCopy (&list)[MaxDeployedTargets], int* count, const char* target, const char* copy)
{
    if (*count < MaxDeployedTargets && FormatInto(list[*count].Target, "%s", target) &&
        FormatInto(list[*count].Copy, "%s", copy))
        ++*count;
}

bool IsStagedByThisRun(const char* path)
{
    for (int i = 0; i < ThisRun.StagedCount; ++i)
        if (lstrcmpiA(ThisRun.Staged[i].Copy, path) == 0)
            return true;
    return false;
}

// The queue entries for package targets that are taken out: whether this
// run's own replacements stay, and the staged copies of the replacements taken
// out, to delete once the queue is written back.
struct SupersededEntries {
    bool KeepThisRunsOwn;
    int Count;
    char Copies[2 * MaxDeployedTargets][MAX_PATH];
};
SupersededEntries Superseded;

// Takes out a deletion, or a replacement whose staged copy is remembered.
bool TakeOutSuperseded(const char* source, bool deletion, void* context)
{
    auto* entries = static_cast<SupersededEntries*>(context);
    if (entries->KeepThisRunsOwn && IsStagedByThisRun(source))
        return false;
    if (deletion)
        return true;
    if (entries->Count >= 2 * MaxDeployedTargets || !FormatInto(entries->Copies[entries->Count], "%s", source))
        return false;
    ++entries->Count;
    return true;
}

// Reads the queue for taking out superseded entries; false when it can't be
// read (it is then left alone).
bool BeginTakingOut(RestartQueue* queue, bool keepThisRunsOwn)
{
    Superseded.KeepThisRunsOwn = keepThisRunsOwn;
    Superseded.Count = 0;
    return ReadRestartQueue(queue);
}

void TakeOutSupersededFor(RestartQueue* queue, const char* path)
{
    TakeOutQueuedEntries(queue, path, TakeOutSuperseded, &Superseded);
}

// Writes the queue back and deletes the staged copies of what was taken out.
void FinishTakingOut(RestartQueue* queue)
{
    WriteRestartQueue(queue);
    FreeRestartQueue(queue);
    for (int i = 0; i < Superseded.Count; ++i)
        DeleteNowOrAtRestart(Superseded.Copies[i]);
    Superseded.Count = 0;
}

// Takes out this run's own replacements.
bool TakeOutOwnEntry(const char* source, bool, void*)
{
    return IsStagedByThisRun(source);
}

}  // namespace

const char* SecondTarget(const PackageFileRow& row)
{
    return IsConsumerFamily(OsClass) ? row.ConsumerTarget : row.NtTarget;
}

// True when both paths name one existing file (running from the install
// directory makes the source its own first target).
static bool IsSameFile(const char* first, const char* second)
{
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE a = CreateFileA(first, 0, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (a == INVALID_HANDLE_VALUE)
        return false;
    HANDLE b = CreateFileA(second, 0, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    bool same = false;
    if (b != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION infoA = {}, infoB = {};
        same = GetFileInformationByHandle(a, &infoA) && GetFileInformationByHandle(b, &infoB) &&
               infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
               infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
        CloseHandle(b);
    }
    CloseHandle(a);
    return same;
}

// Copies source over the existing target, keeping the target's old bytes
// beside it for the clean-up of a failed run. ERROR_SUCCESS, or the error of
// the call that failed; the target then holds its old bytes.
static DWORD OverwriteKeepingOldBytes(const char* source, const char* target)
{
    char kept[MAX_PATH];
    if (!CopyBeside(target, kept))
        return GetLastError();
    if (CopyFileA(source, target, FALSE)) {
        RememberPair(ThisRun.Kept, &ThisRun.KeptCount, target, kept);
        return ERROR_SUCCESS;
    }
    DWORD error = GetLastError();
    // A target in use was not touched; a copy that stopped half-way (a full
    // disk) gets the old bytes back at once.
    if (IsInUseError(error) || !MoveFileExA(kept, target, MOVEFILE_REPLACE_EXISTING))
        DeleteFileA(kept);
    return error;
}

// Clears the target's attributes (a read-only file of an earlier install) and
// copies over it. A target in use (a loaded driver, a running program) is
// replaced at the next restart instead, unless it already holds the same
// bytes. False with the copy's last-error code when it failed otherwise.
static bool CopyPackageFile(const char* source, const char* target)
{
    SetFileAttributesA(target, 0);
    Remember(ThisRun.Written, &ThisRun.WrittenCount, target);
    if (IsSameFile(source, target))
        return true;
    if (GetFileAttributesA(target) == INVALID_FILE_ATTRIBUTES) {
        // This run's from the moment the copy starts: half a copy goes with
        // the rest when the run fails.
        Remember(ThisRun.Created, &ThisRun.CreatedCount, target);
        return CopyFileA(source, target, FALSE) != FALSE;
    }
    DWORD error = OverwriteKeepingOldBytes(source, target);
    if (error == ERROR_SUCCESS)
        return true;
    if (IsInUseError(error)) {
        if (SameContent(source, target))
            return true;
        char staged[MAX_PATH];
        if (ReplaceAtRestart(source, target, staged)) {
            RememberPair(ThisRun.Staged, &ThisRun.StagedCount, target, staged);
            return true;
        }
    }
    SetLastError(error);
    return false;
}

int DeployPackageFiles()
{
    // A run before this one in the same process that was neither taken back
    // nor committed stays as it is.
    if (ThisRun.WrittenCount > 0)
        CommitFilesOfThisRun();
    memset(&ThisRun, 0, sizeof ThisRun);
    if (!InstallPathsKnown() || InstallDirectory[0] == '\0')
        return PathTooLong();
    ThisRun.DirectoryCreated = CreateDirectoryA(InstallDirectory, nullptr) != FALSE;

    for (const PackageFileRow& row : PackageFileTable) {
        char source[MAX_PATH];
        char target[MAX_PATH];
        if (!FormatInto(source, "%s\\%s", ModuleDirectory, row.NameField) ||
            !FormatInstallPath(target, row.NameField))
            return PathTooLong();
        if (!CopyPackageFile(source, target))
            return -1;

        const char* second = SecondTarget(row);
        if (second[0] == '\0')
            continue;
        if (!FormatWindowsPath(target, second))
            return PathTooLong();
        if (!CopyPackageFile(source, target))
            return -1;
    }
    return 0;
}

void RemoveFilesOfThisRun()
{
    for (int i = 0; i < ThisRun.CreatedCount; ++i)
        DeleteNowOrAtRestart(ThisRun.Created[i]);
    // The old bytes back in place; over a target in use, at the restart.
    for (int i = 0; i < ThisRun.KeptCount; ++i) {
        const TargetAndCopy& kept = ThisRun.Kept[i];
        if (!MoveFileExA(kept.Copy, kept.Target, MOVEFILE_REPLACE_EXISTING))
            MoveFileExA(kept.Copy, kept.Target, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING);
    }
    RestartQueue queue;
    if (ThisRun.StagedCount > 0 && ReadRestartQueue(&queue)) {
        for (int i = 0; i < ThisRun.StagedCount; ++i)
            TakeOutQueuedEntries(&queue, ThisRun.Staged[i].Target, TakeOutOwnEntry, nullptr);
        WriteRestartQueue(&queue);
        FreeRestartQueue(&queue);
    }
    // Deleted whether or not the queue could be rewritten: a replacement
    // without its file does nothing at the restart.
    for (int i = 0; i < ThisRun.StagedCount; ++i)
        DeleteNowOrAtRestart(ThisRun.Staged[i].Copy);
    if (ThisRun.DirectoryCreated)
        RemoveDirectoryA(InstallDirectory);
    memset(&ThisRun, 0, sizeof ThisRun);
}

void CommitFilesOfThisRun()
{
    // Whatever earlier runs queued for these targets, and for the install
    // directory itself, would undo this run at the restart.
    RestartQueue queue;
    if (ThisRun.WrittenCount > 0 && BeginTakingOut(&queue, true)) {
        for (int i = 0; i < ThisRun.WrittenCount; ++i)
            TakeOutSupersededFor(&queue, ThisRun.Written[i]);
        if (InstallDirectory[0] != '\0')
            TakeOutSupersededFor(&queue, InstallDirectory);
        FinishTakingOut(&queue);
    }
    for (int i = 0; i < ThisRun.KeptCount; ++i)
        DeleteNowOrAtRestart(ThisRun.Kept[i].Copy);
    memset(&ThisRun, 0, sizeof ThisRun);
}

void TakeBackQueuedPackageEntries()
{
    RestartQueue queue;
    if (WindowsDirectory[0] == '\0' || !BeginTakingOut(&queue, false))
        return;
    char path[MAX_PATH];
    for (const PackageFileRow& row : PackageFileTable) {
        if (FormatInstallPath(path, row.NameField))
            TakeOutSupersededFor(&queue, path);
        const char* second = SecondTarget(row);
        if (second[0] != '\0' && FormatWindowsPath(path, second))
            TakeOutSupersededFor(&queue, path);
    }
    FinishTakingOut(&queue);
}
