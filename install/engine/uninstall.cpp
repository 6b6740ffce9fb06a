#include "uninstall.h"

#include <objbase.h>

#include <cstring>

#include "action_log.h"
#include "autostart.h"
#include "bounded_format.h"
#include "deployment.h"
#include "driver_contract.h"
#include "driver_registration.h"
#include "files_in_use.h"
#include "install_paths.h"
#include "os_class.h"
#include "package_owner.h"
#include "parameter_store.h"
#include "setup_tool.h"
#include "shortcuts.h"
#include "uninstall_entry.h"

UninstallResult RemoveDriverWithSetupTool(DWORD* exitCode)
{
    if (!RunSetupToolRemoval(exitCode)) {
        LogAction("start the driver setup tool's removal from", ModuleDirectory, GetLastError());
        return UninstallResult::SetupToolNotStarted;
    }
    LogNote("driver setup tool's removal exited %lu", *exitCode);
    return *exitCode == DRIVER_SETUP_FAILED ? UninstallResult::SetupToolFailed : UninstallResult::Removed;
}

UninstallResult UninstallPackage()
{
    PackageProducts stale = {};
    PackageRemoval package = RemoveThroughInstalledPackages(&stale);
    if (package == PackageRemoval::Failed)
        return UninstallResult::PackageRemovalFailed;
    ComputeInstallPaths();
    if (package == PackageRemoval::Removed) {
        // What the package's removal left in the install folder (this
        // program, when it runs from there) goes now or at the restart,
        // and the folder after it.
        if (InstallDirectory[0] != '\0')
            LogAction("after the package's removal, empty and remove", InstallDirectory,
                      EmptyAndRemoveDirectory(InstallDirectory) ? 0 : GetLastError());
        return UninstallResult::Removed;
    }
    // A base path too long for its buffer would turn every path formed from
    // it into one relative to the drive root: remove nothing then.
    if (!InstallPathsKnown()) {
        PathTooLong();
        return UninstallResult::PathsTooLong;
    }
    if (IsNtFamily(OsClass)) {
        DWORD exitCode = 0;
        UninstallResult driverRemoval = RemoveDriverWithSetupTool(&exitCode);
        if (driverRemoval != UninstallResult::Removed)
            return driverRemoval;
        // Only now that the driver is gone: a failed removal leaves the
        // package listed for another try.
        LogKeyAction("delete the uninstall entry", UninstallKey, static_cast<DWORD>(DeleteUninstallEntry()));
        RemoveDriverEntries();
    } else if (IsConsumerFamily(OsClass)) {
        UpdateUsbDeviceEntries(UsbEntriesRemove);
        RemoveDriverEntries();
    }
    RemoveDeployedFiles();
    DeleteAutostartValue(AutostartValueName);
    LogAction("delete the log-on value", AutostartValueName, ERROR_SUCCESS);
    DeleteStalePackageEntries(stale);
    return UninstallResult::Removed;
}

void RemoveDriverEntries()
{
    LogKeyAction("delete the driver's entries", DRIVER_SERVICE_KEY, ERROR_SUCCESS);
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
    for (const PackageFileRow& row : PackageFileTable) {
        const char* target = SecondTarget(row);
        if (target[0] == '\0' || !FormatWindowsPath(path, target))
            continue;
        SetFileAttributesA(path, 0);
        // A copy in use (the running calibration tool, an open applet) goes
        // at the next restart.
        if (DeleteFileA(path))
            LogAction("delete", path, ERROR_SUCCESS);
        else if (IsInUseError(GetLastError()))
            LogAction("in use, deleted at the restart", path, DeleteAtRestart(path) ? ERROR_SUCCESS : GetLastError());
    }
    CoInitialize(nullptr);
    ResolveProgramsFolder();
    if (ProgramsFolder[0] != '\0' && FormatInto(path, "%s\\%s", ProgramsFolder, StartMenuFolderName))
        EmptyAndRemoveDirectory(path);
    if (InstallDirectory[0] != '\0')
        LogAction("empty and remove", InstallDirectory, EmptyAndRemoveDirectory(InstallDirectory) ? 0 : GetLastError());
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
