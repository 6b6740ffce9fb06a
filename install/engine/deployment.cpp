// The copy of the package files into the install directory and the system
// directories, and the restart queue's entries for those targets.
#include "deployment.h"

#include <cstring>

#include "action_log.h"
#include "bounded_format.h"
#include "files_in_use.h"
#include "install_paths.h"
#include "os_class.h"
#include "restart_queue.h"
#include "run_journal.h"

// Source and first target name, second target on the NT family, second target
// on the older consumer family (both relative to the Windows directory).
#define PACKAGE_FILE_ROW(id, name, ntTarget, consumerTarget, builtBy) {name, ntTarget, consumerTarget},
const PackageFileRow PackageFileTable[PackageFileCount] = {QUORTOUCH_PACKAGE_FILES(PACKAGE_FILE_ROW)};
#undef PACKAGE_FILE_ROW
static_assert(sizeof(PackageFileRow) == 160, "three fields of 32, 64 and 64 bytes");

namespace {

// The queue entries for package targets that are taken out: whether this
// run's own replacements stay, and, without a run journal to delete them at
// the commit, the staged copies of the replacements taken out.
struct SupersededEntries {
    bool KeepThisRunsOwn;
    int Count;
    char Copies[4 * PackageFileCount][MAX_PATH];
};
SupersededEntries Superseded;

// Takes out a deletion, or a replacement whose staged copy is remembered;
// the run's journal keeps the pair and where it stood (a replacement's staged
// copy goes when the run commits), and a pair it can't record stays.
bool TakeOutSuperseded(const QueuedEntry& entry, void* context)
{
    auto* entries = static_cast<SupersededEntries*>(context);
    if (entries->KeepThisRunsOwn && StagedByThisRun(entry.SourcePath))
        return false;
    if (RunJournalOpen())
        return RecordQueueEntryTakenOut(entry.Position, entry.Source, entry.Destination, !entry.Deletion);
    if (entry.Deletion)
        return true;
    const char* source = entry.SourcePath;
    if (entries->Count >= 4 * PackageFileCount || !FormatInto(entries->Copies[entries->Count], "%s", source))
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

// Writes the queue back and deletes the staged copies of what was taken out
// (with a run journal, its commit does).
void FinishTakingOut(RestartQueue* queue)
{
    LogAction("take entries out of the restart queue", "PendingFileRenameOperations", WriteRestartQueue(queue) ? 0 : GetLastError());
    FreeRestartQueue(queue);
    for (int i = 0; i < Superseded.Count; ++i)
        DeleteNowOrAtRestart(Superseded.Copies[i]);
    Superseded.Count = 0;
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
// beside it (recorded in the run's journal) for the undo of a failed run.
// ERROR_SUCCESS, or the error of the call that failed; the target then holds
// its old bytes, or, where they could not be put back at once, the kept copy
// does and the undo puts them back.
static DWORD OverwriteKeepingOldBytes(const char* source, const char* target)
{
    // Without a journal nothing will undo the run: no copy is kept.
    if (!RunJournalOpen())
        return CopyFileA(source, target, FALSE) ? ERROR_SUCCESS : GetLastError();
    char kept[MAX_PATH];
    if (!CopyBeside(target, kept))
        return GetLastError();
    if (!RecordFileOverwritten(target, kept)) {
        DWORD error = GetLastError();
        DeleteFileA(kept);
        return error;
    }
    if (CopyFileA(source, target, FALSE))
        return ERROR_SUCCESS;
    DWORD error = GetLastError();
    // A target in use was not touched (its kept copy goes at the commit or
    // the undo); a copy that stopped half-way (a full disk) gets the old
    // bytes back at once.
    if (!IsInUseError(error))
        MoveFileExA(kept, target, MOVEFILE_REPLACE_EXISTING);
    return error;
}

// Clears the target's attributes (a read-only file of an earlier install) and
// copies over it. A target in use (a loaded driver, a running program) is
// replaced at the next restart instead, unless it already holds the same
// bytes. False with the copy's last-error code when it failed otherwise.
static bool CopyPackageFile(const char* source, const char* target)
{
    SetFileAttributesA(target, 0);
    if (IsSameFile(source, target))
        return true;
    if (GetFileAttributesA(target) == INVALID_FILE_ATTRIBUTES) {
        // This run's from the moment the copy starts: half a copy goes with
        // the rest when the run fails.
        bool copied = RecordFileCreated(target) && CopyFileA(source, target, FALSE);
        LogAction("copy", target, copied ? ERROR_SUCCESS : GetLastError());
        return copied;
    }
    DWORD error = OverwriteKeepingOldBytes(source, target);
    if (error == ERROR_SUCCESS) {
        LogAction("copy over", target, error);
        return true;
    }
    if (IsInUseError(error)) {
        if (SameContent(source, target)) {
            LogAction("in use, holds the package's bytes already", target, ERROR_SUCCESS);
            return true;
        }
        // The staged copy's name is in the run's journal before the copy.
        char staged[MAX_PATH];
        bool named = MakeUniqueNameBeside(target, staged);
        if (named && !RecordFileStaged(target, staged)) {
            error = GetLastError();
            DeleteFileA(staged);
            named = false;
        }
        if (named && ReplaceAtRestart(source, target, staged)) {
            LogAction("in use, replaced at the restart", target, ERROR_SUCCESS);
            return true;
        }
    }
    LogAction("copy over", target, error);
    SetLastError(error);
    return false;
}

int DeployPackageFiles()
{
    if (!InstallPathsKnown() || InstallDirectory[0] == '\0')
        return PathTooLong();
    if (!RecordFolderCreated(InstallDirectory))
        return -1;
    CreateDirectoryA(InstallDirectory, nullptr);

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

// Every target of the package (the install directory's files and the
// family's second copies), then the install directory itself.
static void TakeOutForEveryTarget(RestartQueue* queue)
{
    char path[MAX_PATH];
    for (const PackageFileRow& row : PackageFileTable) {
        if (FormatInstallPath(path, row.NameField))
            TakeOutSupersededFor(queue, path);
        const char* second = SecondTarget(row);
        if (second[0] != '\0' && FormatWindowsPath(path, second))
            TakeOutSupersededFor(queue, path);
    }
}

void TakeOutSupersededEntries()
{
    // Whatever earlier runs queued for these targets, and for the install
    // directory itself, would undo this run at the restart.
    RestartQueue queue;
    if (WindowsDirectory[0] == '\0' || !BeginTakingOut(&queue, true))
        return;
    TakeOutForEveryTarget(&queue);
    if (InstallDirectory[0] != '\0')
        TakeOutSupersededFor(&queue, InstallDirectory);
    FinishTakingOut(&queue);
}

void TakeBackQueuedPackageEntries()
{
    RestartQueue queue;
    if (WindowsDirectory[0] == '\0' || !BeginTakingOut(&queue, false))
        return;
    TakeOutForEveryTarget(&queue);
    FinishTakingOut(&queue);
}
