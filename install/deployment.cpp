// The installer's base paths and the copy of the package files into the
// install directory and the system directories.
#include "deployment.h"

#include <cstring>

#include "bounded_format.h"
#include "files_in_use.h"
#include "os_class.h"

char ModuleDirectory[MAX_PATH];
char WindowsDirectory[MAX_PATH];
const char InstallDirectoryName[] = "QuortouchUSB";

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

// What the latest DeployPackageFiles created, so that the clean-up after a
// failed step takes back only that: files that were not there before, copies
// staged to replace a file in use at the restart, and the install directory
// when it did not exist. Each row has at most two targets.
constexpr int MaxDeployedTargets = 2 * PackageFileCount;
struct DeploymentRecord {
    bool DirectoryCreated;
    int CreatedCount;
    char Created[MaxDeployedTargets][MAX_PATH];
    int StagedCount;
    char Staged[MaxDeployedTargets][MAX_PATH];
};
DeploymentRecord ThisRun;

void Remember(char (&list)[MaxDeployedTargets][MAX_PATH], int* count, const char* path)
{
    if (*count < MaxDeployedTargets && FormatInto(list[*count], "%s", path))
        ++*count;
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

// Clears the target's attributes (a read-only file of an earlier install) and
// copies over it. A target in use (a loaded driver, a running program) is
// replaced at the next restart instead, unless it already holds the same
// bytes. False with the copy's last-error code when it failed otherwise.
static bool CopyPackageFile(const char* source, const char* target)
{
    SetFileAttributesA(target, 0);
    if (IsSameFile(source, target))
        return true;
    bool existed = GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES;
    if (CopyFileA(source, target, FALSE)) {
        if (!existed)
            Remember(ThisRun.Created, &ThisRun.CreatedCount, target);
        return true;
    }
    DWORD error = GetLastError();
    if (existed && IsInUseError(error)) {
        if (SameContent(source, target))
            return true;
        char staged[MAX_PATH];
        if (ReplaceAtRestart(source, target, staged)) {
            Remember(ThisRun.Staged, &ThisRun.StagedCount, staged);
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
    memset(&ThisRun, 0, sizeof ThisRun);
    char installDirectory[MAX_PATH];
    if (!InstallPathsKnown() || !FormatInto(installDirectory, "%s\\%s", WindowsDirectory, InstallDirectoryName))
        return PathTooLong();
    ThisRun.DirectoryCreated = CreateDirectoryA(installDirectory, nullptr) != FALSE;

    for (const PackageFileRow& row : PackageFileTable) {
        char source[MAX_PATH];
        char target[MAX_PATH];
        if (!FormatInto(source, "%s\\%s", ModuleDirectory, row.NameField) ||
            !FormatInto(target, "%s\\QuortouchUSB\\%s", WindowsDirectory, row.NameField))
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
    for (int i = 0; i < ThisRun.CreatedCount; ++i) {
        SetFileAttributesA(ThisRun.Created[i], 0);
        DeleteFileA(ThisRun.Created[i]);
    }
    // Its scheduled replacement then finds nothing to move at the restart.
    for (int i = 0; i < ThisRun.StagedCount; ++i)
        DeleteFileA(ThisRun.Staged[i]);
    char installDirectory[MAX_PATH];
    if (ThisRun.DirectoryCreated && FormatInto(installDirectory, "%s\\%s", WindowsDirectory, InstallDirectoryName))
        RemoveDirectoryA(installDirectory);
    memset(&ThisRun, 0, sizeof ThisRun);
}
