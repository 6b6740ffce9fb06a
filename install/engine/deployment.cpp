// The installer's base paths and the copy of the package files into the
// install directory and the system directories.
#include "deployment.h"

#include <cstring>

#include "bounded_format.h"
#include "files_in_use.h"
#include "os_class.h"
#include "restart_queue.h"

char ModuleDirectory[MAX_PATH];
char WindowsDirectory[MAX_PATH];
const char InstallDirectoryName[] = INSTALL_FOLDER_NAME;

// Source and first target name, second target on the NT family, second target
// on the older consumer family (both relative to the Windows directory).
#define PACKAGE_FILE_ROW(id, name, ntTarget, consumerTarget, builtBy) {name, ntTarget, consumerTarget},
const PackageFileRow PackageFileTable[PackageFileCount] = {QUORTOUCH_PACKAGE_FILES(PACKAGE_FILE_ROW)};
#undef PACKAGE_FILE_ROW
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

// The staged copies of the queue entries taken out, to delete afterwards.
struct StagedCopies {
    int Count;
    char Paths[2 * MaxDeployedTargets][MAX_PATH];
};

// Takes out what earlier runs queued for a target of this run; its own
// replacements stay.
bool TakeOutEarlierEntry(const char* source, bool deletion, void* context)
{
    if (IsStagedByThisRun(source))
        return false;
    auto* copies = static_cast<StagedCopies*>(context);
    if (deletion)
        return true;
    if (copies->Count >= 2 * MaxDeployedTargets || !FormatInto(copies->Paths[copies->Count], "%s", source))
        return false;
    ++copies->Count;
    return true;
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

void ComputeInstallPaths()
{
    memset(ModuleDirectory, 0, sizeof ModuleDirectory);
    memset(WindowsDirectory, 0, sizeof WindowsDirectory);

    // The program's own path may be longer than the directory buffer; then the
    // directory stays empty and every path formed from it is refused.
    static char modulePath[32768];
    memset(modulePath, 0, sizeof modulePath);
    DWORD length = GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
    if (length == 0 || length >= sizeof modulePath)
        modulePath[0] = '\0';
    char* end = modulePath + strlen(modulePath);
    while (end > modulePath && *end != '\\')
        --end;
    *end = '\0';
    if (strlen(modulePath) < sizeof ModuleDirectory)
        strcpy(ModuleDirectory, modulePath);

    // A directory that does not fit leaves the buffer empty.
    if (GetWindowsDirectoryA(WindowsDirectory, MAX_PATH) >= MAX_PATH)
        memset(WindowsDirectory, 0, sizeof WindowsDirectory);
}

bool InstallPathsKnown()
{
    return ModuleDirectory[0] != '\0' && WindowsDirectory[0] != '\0';
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

static int PathTooLong()
{
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return -1;
}

int DeployPackageFiles()
{
    // A run before this one in the same process that was neither taken back
    // nor committed stays as it is.
    if (ThisRun.WrittenCount > 0)
        CommitFilesOfThisRun();
    memset(&ThisRun, 0, sizeof ThisRun);
    char installDirectory[MAX_PATH];
    if (!InstallPathsKnown() || !FormatInto(installDirectory, "%s\\%s", WindowsDirectory, InstallDirectoryName))
        return PathTooLong();
    ThisRun.DirectoryCreated = CreateDirectoryA(installDirectory, nullptr) != FALSE;

    for (const PackageFileRow& row : PackageFileTable) {
        char source[MAX_PATH];
        char target[MAX_PATH];
        if (!FormatInto(source, "%s\\%s", ModuleDirectory, row.NameField) ||
            !FormatInto(target, "%s\\" INSTALL_FOLDER_NAME "\\%s", WindowsDirectory, row.NameField))
            return PathTooLong();
        if (!CopyPackageFile(source, target))
            return -1;

        const char* second = SecondTarget(row);
        if (second[0] == '\0')
            continue;
        if (!FormatInto(target, "%s\\%s", WindowsDirectory, second))
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
    char installDirectory[MAX_PATH];
    if (ThisRun.DirectoryCreated && FormatInto(installDirectory, "%s\\%s", WindowsDirectory, InstallDirectoryName))
        RemoveDirectoryA(installDirectory);
    memset(&ThisRun, 0, sizeof ThisRun);
}

void CommitFilesOfThisRun()
{
    // Whatever earlier runs queued for these targets, and for the install
    // directory itself, would undo this run at the restart.
    static StagedCopies superseded;
    superseded.Count = 0;
    RestartQueue queue;
    char installDirectory[MAX_PATH];
    if (ThisRun.WrittenCount > 0 && ReadRestartQueue(&queue)) {
        for (int i = 0; i < ThisRun.WrittenCount; ++i)
            TakeOutQueuedEntries(&queue, ThisRun.Written[i], TakeOutEarlierEntry, &superseded);
        if (FormatInto(installDirectory, "%s\\%s", WindowsDirectory, InstallDirectoryName))
            TakeOutQueuedEntries(&queue, installDirectory, TakeOutEarlierEntry, &superseded);
        WriteRestartQueue(&queue);
        FreeRestartQueue(&queue);
    }
    for (int i = 0; i < superseded.Count; ++i)
        DeleteNowOrAtRestart(superseded.Paths[i]);
    for (int i = 0; i < ThisRun.KeptCount; ++i)
        DeleteNowOrAtRestart(ThisRun.Kept[i].Copy);
    memset(&ThisRun, 0, sizeof ThisRun);
}
