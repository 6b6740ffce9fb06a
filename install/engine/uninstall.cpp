#include "uninstall.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "autostart.h"
#include "bounded_format.h"
#include "deployment.h"
#include "driver_contract.h"
#include "driver_registration.h"
#include "files_in_use.h"
#include "installer_app.h"
#include "os_class.h"
#include "package_owner.h"
#include "parameter_store.h"
#include "restart_queue.h"
#include "shortcuts.h"

namespace {

const char UninstallParentKey[] = UNINSTALL_PARENT_KEY;
const char UninstallSubkeyName[] = UNINSTALL_ENTRY_NAME;

// Runs the driver-setup tool's removal hidden and waits for it. False when it
// could not be started; otherwise its exit code in *exitCode.
bool RunDriverRemoval(DWORD* exitCode)
{
    char file[MAX_PATH];
    char parameters[64];
    if (!FormatInto(file, DRIVER_SETUP_APP_FORMAT, ModuleDirectory) ||
        !FormatInto(parameters, DRIVER_SETUP_REMOVE_FORMAT, OsClass)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    SHELLEXECUTEINFOA execution = {};
    execution.cbSize = sizeof execution;
    execution.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;  // 0x440
    execution.lpFile = file;
    execution.lpParameters = parameters;
    execution.nShow = SW_HIDE;
    if (!ShellExecuteExA(&execution) || execution.hProcess == nullptr)
        return false;
    WaitForSingleObject(execution.hProcess, INFINITE);
    *exitCode = 0;
    GetExitCodeProcess(execution.hProcess, exitCode);
    CloseHandle(execution.hProcess);
    return true;
}

// Staged copies of the queue entries taken out, to delete afterwards.
struct QueuedCopies {
    int Count;
    char Paths[4 * PackageFileCount][MAX_PATH];
};

// Every entry for a package target goes; a replacement's staged copy is
// remembered for deletion.
bool TakeOutForRemoval(const char* source, bool deletion, void* context)
{
    auto* copies = static_cast<QueuedCopies*>(context);
    if (deletion)
        return true;
    if (copies->Count >= 4 * PackageFileCount || !FormatInto(copies->Paths[copies->Count], "%s", source))
        return false;
    ++copies->Count;
    return true;
}

}  // namespace

void TakeBackQueuedPackageEntries()
{
    static QueuedCopies copies;
    copies.Count = 0;
    RestartQueue queue;
    if (WindowsDirectory[0] == '\0' || !ReadRestartQueue(&queue))
        return;
    char path[MAX_PATH];
    for (const PackageFileRow& row : PackageFileTable) {
        if (FormatInto(path, "%s\\%s\\%s", WindowsDirectory, InstallDirectoryName, row.NameField))
            TakeOutQueuedEntries(&queue, path, TakeOutForRemoval, &copies);
        const char* second = SecondTarget(row);
        if (second[0] != '\0' && FormatInto(path, "%s\\%s", WindowsDirectory, second))
            TakeOutQueuedEntries(&queue, path, TakeOutForRemoval, &copies);
    }
    WriteRestartQueue(&queue);
    FreeRestartQueue(&queue);
    for (int i = 0; i < copies.Count; ++i)
        DeleteNowOrAtRestart(copies.Paths[i]);
}

int UninstallPackage()
{
    int packageResult = 0;
    if (RemoveThroughInstalledPackage(&packageResult))
        return packageResult;
    ComputeInstallPaths();
    // A base path too long for its buffer would turn every path formed from
    // it into one relative to the drive root: remove nothing then.
    if (!InstallPathsKnown()) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return -1;
    }
    if (IsNtFamily(OsClass)) {
        DWORD exitCode = 0;
        if (!RunDriverRemoval(&exitCode))
            return -1;
        if (exitCode == DRIVER_SETUP_FAILED) {
            MessageBoxA(nullptr, "Remove failure,please insert the usb interface", SetupCaption,
                        MB_ICONERROR | MB_OK);
            return -1;
        }
        // Only now that the driver is gone: a failed removal leaves the
        // package listed for another try.
        DeleteRegistrySubkey(HKEY_LOCAL_MACHINE, UninstallParentKey, UninstallSubkeyName);
        RemoveDriverEntries();
    } else if (IsConsumerFamily(OsClass)) {
        UpdateUsbDeviceEntries(UsbEntriesRemove);
        RemoveDriverEntries();
    }
    RemoveDeployedFiles();
    DeleteAutostartValue(AutostartValueName);
    return 0;
}

void RemoveDriverEntries()
{
    DeleteParameterValues();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteKeyA(key, "Parameters");
        RegDeleteKeyA(key, "Enum");
        RegDeleteKeyA(key, "Security");
        RegCloseKey(key);
    }
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, DRIVER_SERVICES_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteKeyA(key, DRIVER_SERVICE_NAME);
        RegCloseKey(key);
    }
}

void RemoveDeployedFiles()
{
    // A file queued to replace a target would bring it back at the restart.
    TakeBackQueuedPackageEntries();
    char path[MAX_PATH];
    bool windowsKnown = WindowsDirectory[0] != '\0';
    for (const PackageFileRow& row : PackageFileTable) {
        const char* target = SecondTarget(row);
        if (!windowsKnown || target[0] == '\0' || !FormatInto(path, "%s\\%s", WindowsDirectory, target))
            continue;
        SetFileAttributesA(path, 0);
        // A copy in use (the running calibration tool, an open applet) goes
        // at the next restart.
        if (!DeleteFileA(path) && IsInUseError(GetLastError()))
            DeleteAtRestart(path);
    }
    CoInitialize(nullptr);
    ResolveProgramsFolder();
    if (ProgramsFolder[0] != '\0' && FormatInto(path, "%s\\%s", ProgramsFolder, StartMenuFolderName))
        EmptyAndRemoveDirectory(path);
    if (windowsKnown && FormatInto(path, "%s\\%s", WindowsDirectory, InstallDirectoryName))
        EmptyAndRemoveDirectory(path);
    CoUninitialize();
}

BOOL EmptyAndRemoveDirectory(const char* directory)
{
    char pattern[MAX_PATH];
    char path[MAX_PATH];
    bool scheduledFile = false;
    bool somethingStays = false;
    if (!FormatInto(pattern, "%s\\*.*", directory))
        return FALSE;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0)
                continue;
            if (!FormatInto(path, "%s\\%s", directory, found.cFileName)) {
                somethingStays = true;
                continue;
            }
            SetFileAttributesA(path, 0);
            if (DeleteFileA(path))
                continue;
            // A file in use (the running Install.exe when the removal runs
            // from the install directory) goes at the next restart, under a
            // name that a later installation does not use.
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsInUseError(GetLastError()) &&
                DeleteAtRestart(path))
                scheduledFile = true;
            else
                somethingStays = true;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (RemoveDirectoryA(directory))
        return TRUE;
    // Follows its scheduled files, unless something would still be left in
    // it; a later installation that fills it again keeps it at the restart.
    if (scheduledFile && !somethingStays)
        MoveFileExA(directory, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return FALSE;
}

LONG DeleteRegistrySubkey(HKEY root, const char* parentPath, const char* subkeyName)
{
    HKEY parent = nullptr;
    LONG status = RegOpenKeyExA(root, parentPath, 0, KEY_ALL_ACCESS, &parent);
    if (status != ERROR_SUCCESS)
        return status;
    RegDeleteKeyA(parent, subkeyName);
    return RegCloseKey(parent);
}

bool RunDriverSetupRemoval(DWORD* exitCode)
{
    return RunDriverRemoval(exitCode);
}
