// The installer's base paths and the copy of the package files into the
// install directory and the system directories.
#include "deployment.h"

#include <cstring>

#include "bounded_format.h"
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
// copies over it. False with the copy's last-error code when it failed.
static bool CopyPackageFile(const char* source, const char* target)
{
    SetFileAttributesA(target, 0);
    if (IsSameFile(source, target))
        return true;
    return CopyFileA(source, target, FALSE) != FALSE;
}

static int PathTooLong()
{
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return -1;
}

int DeployPackageFiles()
{
    char installDirectory[MAX_PATH];
    if (!InstallPathsKnown() || !FormatInto(installDirectory, "%s\\%s", WindowsDirectory, InstallDirectoryName))
        return PathTooLong();
    CreateDirectoryA(installDirectory, nullptr);

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
