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

#include <initializer_list>

#include "action_session.h"
#include "autostart.h"
#include "bounded_format.h"
#include "deployment.h"
#include "driver_contract.h"
#include "driver_registration.h"
#include "os_class.h"
#include "parameter_store.h"
#include "shortcuts.h"
#include "uninstall.h"

#define CUSTOM_ACTION extern "C" __declspec(dllexport) UINT __stdcall

namespace {

// The setup tool's removal, for a registration that failed or is rolled
// back; its exit code only goes to the log.
void RunRemovalForCleanUp()
{
    DWORD exitCode = 0;
    if (RunDriverSetupRemoval(&exitCode))
        LogLine("the driver-setup tool's removal ended with %lu", exitCode);
    else
        LogLine("the driver-setup tool's removal could not be started (%lu)", GetLastError());
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
CUSTOM_ACTION WriteDeviceDefaults(MSIHANDLE session)
{
    BeginAction(session, "WriteDeviceDefaults");
    if (WriteParameterDefaults() == -3)
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
    if (RunDriverSetup() < 0) {
        DWORD error = GetLastError();
        ReportError("Setup driver fail(%d:%d).", static_cast<int>(error), OsClass);
        // What the tool may have done goes now, while its files are there.
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

// Deferred as the user (removal), and the rollback of the one above.
CUSTOM_ACTION RemoveCalibrationAtLogon(MSIHANDLE session)
{
    BeginAction(session, "RemoveCalibrationAtLogon");
    DeleteAutostartValue(AutostartValueName);
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
    DWORD exitCode = 0;
    if (!RunDriverSetupRemoval(&exitCode)) {
        ReportError("The driver-setup tool \"%s\\%s\" could not be started (%lu).", ModuleDirectory,
                    DRIVER_SETUP_TOOL, GetLastError());
        return EndAction(ERROR_INSTALL_FAILURE);
    }
    LogLine("the driver-setup tool's removal ended with %lu", exitCode);
    if (exitCode == DRIVER_SETUP_FAILED) {
        ReportError("Remove failure,please insert the usb interface");
        return EndAction(ERROR_INSTALL_FAILURE);
    }
    RemoveDriverEntries();
    // What a setup-wizard run queued for the package's files would bring
    // them back at the restart.
    TakeBackQueuedPackageEntries();
    return EndAction(ERROR_SUCCESS);
}
