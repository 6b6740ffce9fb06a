// The custom actions of the Windows Installer package. Each runs the
// installer's own engine: the parameter defaults and mouse values, the
// driver-setup tool with the key security after it, the autostart value, and
// on removal the setup tool's removal and the driver's registry entries. The
// files, the Start-menu links and the package's entry in Programs and
// Features are the installer's own tables.
//
// Deferred actions take the base paths from their data
// ("<install directory>|<Windows directory>"), never from this DLL's place.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <objbase.h>

#include <cstring>
#include <initializer_list>

#include "action_session.h"
#include "autostart.h"
#include "bounded_format.h"
#include "deployment.h"
#include "driver_contract.h"
#include "driver_registration.h"
#include "driver_state.h"
#include "install_paths.h"
#include "os_class.h"
#include "package_owner.h"
#include "parameter_store.h"
#include "shortcuts.h"
#include "uninstall.h"
#include "uninstall_entry.h"
#include "upgrade_records.h"

#define CUSTOM_ACTION extern "C" __declspec(dllexport) UINT __stdcall

namespace {

// The setup tool's removal, for a registration that failed or is rolled
// back; its exit code only goes to the log.
void RunRemovalForCleanUp()
{
    DWORD exitCode = 0;
    if (RemoveDriverWithSetupTool(&exitCode) == UninstallResult::SetupToolNotStarted)
        LogLine("the driver-setup tool's removal could not be started (%lu)", GetLastError());
    else
        LogLine("the driver-setup tool's removal ended with %lu", exitCode);
}

}  // namespace

// Immediate, first: one owner at a time. While the setup wizard's uninstall
// entry is there, the package refuses with a message that names the way out.
CUSTOM_ACTION RefuseBesideWizardInstallation(MSIHANDLE session)
{
    BeginAction(session, "RefuseBesideWizardInstallation");
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return EndAction(ERROR_SUCCESS);
    RegCloseKey(key);
    LogLine("the setup wizard's uninstall entry HKLM\\%s is there", UninstallKey);
    ReportError("Quortouch USB Touchscreen is already installed by its setup program. Remove it first with the "
                "\"Uninstall QuorTouch\" link in the Start menu (Programs, Quortouch USB Touchscreen), then install "
                "this package.");
    return EndAction(ERROR_INSTALL_FAILURE);
}

// Immediate, before the costs are final: the install folder is fixed, as the
// setup wizard's is: the log-on entry and Install.exe (its removal, its
// uninstall entry) look for the files in <Windows>\QuortouchUSB. An
// INSTALLDIR given on the command line is logged and dropped.
CUSTOM_ACTION KeepInstallFolderFixed(MSIHANDLE session)
{
    BeginAction(session, "KeepInstallFolderFixed");
    char given[1024], windows[MAX_PATH], fixed[MAX_PATH + 16];
    // One that does not fit is dropped too.
    bool read = GetSessionProperty("INSTALLDIR", given, sizeof given);
    if (read && given[0] == '\0')
        return EndAction(ERROR_SUCCESS);
    GetSessionProperty("WindowsFolder", windows, sizeof windows);
    FormatInto(fixed, "%s%s\\", windows, InstallDirectoryName);
    if (lstrcmpiA(given, fixed) == 0)
        return EndAction(ERROR_SUCCESS);
    LogLine("INSTALLDIR=\"%s\" is not used: the package always installs into \"%s\", where the log-on entry and "
            "Install.exe look for its files",
            given, fixed);
    SetSessionProperty("INSTALLDIR", "");
    return EndAction(ERROR_SUCCESS);
}

// Immediate, before the script runs: the rollback actions' data. The
// parameter values as they are now go to the rollback of the driver's
// removal (with the paths it needs for the setup tool) and to the rollback of
// an upgrade's defaults; DriverServiceFound tells whether there is a driver
// to register again.
CUSTOM_ACTION SaveDriverState(MSIHANDLE session)
{
    BeginAction(session, "SaveDriverState");
    char install[MAX_PATH], windows[MAX_PATH], values[1800];
    static char data[2 * MAX_PATH + 2048];
    if (!GetSessionProperty("INSTALLDIR", install, sizeof install) ||
        !GetSessionProperty("WindowsFolder", windows, sizeof windows) ||
        !FormatParameterValues(values, sizeof values) ||
        !FormatInto(data, "%s|%s|%s", install, windows, values)) {
        LogLine("the paths or the parameter values do not fit; nothing saved");
        return EndAction(ERROR_SUCCESS);
    }
    SetSessionProperty("ReregisterDriver", data);
    SetSessionProperty("RestoreDeviceParameters", data);
    bool found = !DriverServiceMissing();
    if (found)
        SetSessionProperty("DriverServiceFound", "1");
    LogLine("driver service %s; parameter values \"%s\"", found ? "there" : "missing", values);
    return EndAction(ERROR_SUCCESS);
}

// Immediate: another version of the package is installed. An older
// version's removal after an upgrade (which Wine's installer runs without
// UPGRADINGPRODUCTCODE) then leaves the driver and the log-on entry to it.
CUSTOM_ACTION FindOtherVersion(MSIHANDLE session)
{
    BeginAction(session, "FindOtherVersion");
    char own[ProductCodeSize + 8], other[ProductCodeSize];
    GetSessionProperty("ProductCode", own, sizeof own);
    if (FindInstalledPackage(other, own)) {
        SetSessionProperty("OtherVersionInstalled", other);
        LogLine("version %s is installed too; a removal leaves the driver and the log-on entry to it", other);
    }
    return EndAction(ERROR_SUCCESS);
}

// Immediate, before the costs are final: the Start-menu group goes into the
// Programs folder the setup wizard uses (the all-users one on the NT family).
CUSTOM_ACTION ResolveStartMenuFolder(MSIHANDLE session)
{
    BeginAction(session, "ResolveStartMenuFolder");
    OsClass = ComputeOsClass();
    CoInitialize(nullptr);
    ResolveProgramsFolder();
    CoUninitialize();
    char folder[MAX_PATH + 1];
    if (ProgramsFolder[0] != '\0' && FormatInto(folder, "%s\\", ProgramsFolder) &&
        SetSessionProperty("ProgramMenuFolder", folder))
        LogLine("Programs folder \"%s\"", folder);
    else
        LogLine("the Programs folder is not known; the installer's own is kept");
    return EndAction(ERROR_SUCCESS);
}

// Deferred: the nineteen parameter defaults and the mouse values. As in the
// wizard, a parameter key that can't be made does not stop the installation.
// A repair ("repair" as data) writes them only when the key lost its values,
// so that a calibration stays.
CUSTOM_ACTION WriteDeviceDefaults(MSIHANDLE session)
{
    BeginAction(session, "WriteDeviceDefaults");
    char mode[16];
    if (GetSessionProperty("CustomActionData", mode, sizeof mode) && strcmp(mode, "repair") == 0 &&
        ParameterValuesPresent())
        LogLine("repair: the values under HKLM\\%s are there and stay", ParameterKey);
    else if (WriteParameterDefaults() == -3)
        LogLine("HKLM\\%s can neither be opened nor created; no defaults written", ParameterKey);
    else
        LogLine("%d parameter defaults written to HKLM\\%s", DeviceParameterCount, ParameterKey);
    WriteMouseValues();
    return EndAction(ERROR_SUCCESS);
}

// Deferred: the driver-setup tool's "setup", then the key security. Exit code
// 2, or a tool that can't be started, fails the installation.
CUSTOM_ACTION RegisterDriverService(MSIHANDLE session)
{
    BeginAction(session, "RegisterDriverService");
    if (!LoadBasePaths())
        return EndAction(ERROR_INSTALL_FAILURE);
    bool serviceBefore = !DriverServiceMissing();
    if (RegisterDriverWithSetupTool() < 0) {
        DWORD error = GetLastError();
        ReportError("Setup driver fail(%d:%d).", static_cast<int>(error), OsClass);
        // What the tool may have done goes now, while its files are there;
        // a driver that was there before (an earlier version being
        // upgraded, or repaired) is not this run's and keeps running.
        if (serviceBefore)
            LogLine("the driver service was there before; it stays");
        else
            RunRemovalForCleanUp();
        return EndAction(ERROR_INSTALL_FAILURE);
    }
    LogLine("the driver-setup tool succeeded");
    return EndAction(ERROR_SUCCESS);
}

// Rollback of the two above: the setup tool's removal, the driver's registry
// entries.
CUSTOM_ACTION UndoDriverRegistration(MSIHANDLE session)
{
    BeginAction(session, "UndoDriverRegistration");
    if (LoadBasePaths())
        RunRemovalForCleanUp();
    RemoveDriverEntries();
    return EndAction(ERROR_SUCCESS);
}

// Rollback of an upgrade's defaults: the earlier version's values, its
// calibration included, come back.
CUSTOM_ACTION RestoreDeviceParameters(MSIHANDLE session)
{
    BeginAction(session, "RestoreDeviceParameters");
    if (LoadBasePaths())
        LogLine("%d parameter values put back", RestoreParameterValues(ActionDataRest));
    return EndAction(ERROR_SUCCESS);
}

// Rollback of an upgrade: the earlier version ("{...};..." as data) is
// listed under the upgrade code again, so that the next upgrade finds it.
CUSTOM_ACTION RelistEarlierVersion(MSIHANDLE session)
{
    BeginAction(session, "RelistEarlierVersion");
    char codes[512];
    GetSessionProperty("CustomActionData", codes, sizeof codes);
    for (char* code = codes; *code != '\0';) {
        char* end = strchr(code, ';');
        if (end != nullptr)
            *end = '\0';
        LogLine("%s %s", code, RelistUnderUpgradeCode(code) ? "listed again" : "could not be listed again");
        if (end == nullptr)
            break;
        code = end + 1;
    }
    return EndAction(ERROR_SUCCESS);
}

// Immediate, after the earlier version's removal: that removal, in Wine's
// installer, takes the whole upgrade-code list with it, this version's entry
// included; without it the next upgrade would not find this version.
CUSTOM_ACTION RelistThisVersion(MSIHANDLE session)
{
    BeginAction(session, "RelistThisVersion");
    char own[ProductCodeSize + 8];
    GetSessionProperty("ProductCode", own, sizeof own);
    LogLine("%s %s", own, RelistUnderUpgradeCode(own) ? "listed under the upgrade code" : "could not be listed");
    return EndAction(ERROR_SUCCESS);
}

// Rollback of RemoveDriverRegistration, after the files are back: the values
// as they were, then the setup tool's "setup" registers and starts the
// driver again, with the key security.
CUSTOM_ACTION ReregisterDriver(MSIHANDLE session)
{
    BeginAction(session, "ReregisterDriver");
    if (!LoadBasePaths())
        return EndAction(ERROR_SUCCESS);
    LogLine("%d parameter values put back", RestoreParameterValues(ActionDataRest));
    if (RegisterDriverWithSetupTool() < 0)
        LogLine("the driver-setup tool failed (%lu)", GetLastError());
    else
        LogLine("the driver is registered again");
    return EndAction(ERROR_SUCCESS);
}

// Rollback of the mouse values, when no earlier installation had written
// them: the values, then the keys that the write created if they are empty.
CUSTOM_ACTION RemoveMouseValues(MSIHANDLE session)
{
    BeginAction(session, "RemoveMouseValues");
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, MouseKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        for (const char* name : {"DoubleClickHeight", "DoubleClickWidth", "DoubleClickSpeed"})
            RegDeleteValueA(key, name);
        RegCloseKey(key);
        // RegDeleteKeyA refuses a key that still has subkeys; values are
        // checked here.
        for (const char* path : {MouseKey, "Control Panel"}) {
            DWORD subkeys = 1, values = 1;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
                break;
            RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr);
            RegCloseKey(key);
            if (subkeys != 0 || values != 0 || RegDeleteKeyA(HKEY_LOCAL_MACHINE, path) != ERROR_SUCCESS)
                break;
            LogLine("HKLM\\%s deleted", path);
        }
    }
    return EndAction(ERROR_SUCCESS);
}

// Deferred as the installing user: the calibration tool starts at log-on.
CUSTOM_ACTION RegisterCalibrationAtLogon(MSIHANDLE session)
{
    BeginAction(session, "RegisterCalibrationAtLogon");
    SetAutostartValue(AutostartValueName, AutostartFileName);
    LogLine("HKCU\\%s\\%s set", RunKey, AutostartValueName);
    return EndAction(ERROR_SUCCESS);
}

// Deferred as the user (removal), and the rollback of the one above. A value
// that stays (a Run key the user may not change) fails the removal: it would
// start the calibration tool of a removed product at every log-on.
CUSTOM_ACTION RemoveCalibrationAtLogon(MSIHANDLE session)
{
    BeginAction(session, "RemoveCalibrationAtLogon");
    DeleteAutostartValue(AutostartValueName);
    HKEY key = nullptr;
    bool stays = RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS &&
                 RegQueryValueExA(key, AutostartValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    if (key != nullptr)
        RegCloseKey(key);
    if (stays) {
        ReportError("HKCU\\%s\\%s could not be deleted.", RunKey, AutostartValueName);
        return EndAction(ERROR_INSTALL_FAILURE);
    }
    LogLine("HKCU\\%s\\%s deleted", RunKey, AutostartValueName);
    return EndAction(ERROR_SUCCESS);
}

// Deferred, before the files go: the setup tool removes the driver, then the
// driver's registry entries go. A tool that can't be started or exits with 2
// fails the removal, and everything stays.
CUSTOM_ACTION RemoveDriverRegistration(MSIHANDLE session)
{
    BeginAction(session, "RemoveDriverRegistration");
    if (!LoadBasePaths())
        return EndAction(ERROR_INSTALL_FAILURE);
    // Nothing for the tool to remove (a cleaner, or someone by hand, took
    // the service): the tool is not needed, and may be gone too.
    if (DriverServiceMissing()) {
        LogLine("no driver service %s; the driver-setup tool is not run", DRIVER_SERVICE_NAME);
        RemoveDriverEntries();
        TakeBackQueuedPackageEntries();
        return EndAction(ERROR_SUCCESS);
    }
    DWORD exitCode = 0;
    UninstallResult removal = RemoveDriverWithSetupTool(&exitCode);
    if (removal == UninstallResult::SetupToolNotStarted) {
        ReportError("The driver-setup tool \"%s\\%s\" could not be started (%lu).", ModuleDirectory,
                    DRIVER_SETUP_TOOL, GetLastError());
        return EndAction(ERROR_INSTALL_FAILURE);
    }
    LogLine("the driver-setup tool's removal ended with %lu", exitCode);
    if (removal == UninstallResult::SetupToolFailed) {
        ReportError("Remove failure,please insert the usb interface");
        return EndAction(ERROR_INSTALL_FAILURE);
    }
    RemoveDriverEntries();
    // What a setup-wizard run queued for the package's files would bring
    // them back at the restart.
    TakeBackQueuedPackageEntries();
    return EndAction(ERROR_SUCCESS);
}
