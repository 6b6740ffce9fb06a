// The custom actions of the Windows Installer package. Each runs the
// installer's own engine: the parameter defaults and mouse values, the
// driver-setup tool with the key security after it, the log-on values, and
// on removal the setup tool's removal, the driver's registry entries and
// what is left of ours for the restart. The files, the Start-menu links, the
// Active Setup component and the package's entry in Programs and Features
// are the installer's own tables.
//
// Deferred actions take their data from PreparePackageRun (package_run.h),
// never from this DLL's place; each records what it changes in the run's
// journal before it changes it, UndoPackageRun (the rollback) undoes that
// journal, and CommitPackageRun, the script's last action, commits it.
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
#include "leftovers.h"
#include "logon_values.h"
#include "os_class.h"
#include "package_owner.h"
#include "package_run.h"
#include "packaged_setup_tool.h"
#include "parameter_store.h"
#include "queue_entries.h"
#include "run_journal.h"
#include "shortcuts.h"
#include "uninstall.h"
#include "uninstall_entry.h"
#include "upgrade_records.h"

#define CUSTOM_ACTION extern "C" __declspec(dllexport) UINT __stdcall

namespace {

// The start of a deferred action: its run, and the run's journal open for
// its records.
bool BeginRecordedAction()
{
    return LoadPackageRun() && OpenPackageJournal();
}

// A deferred action's end: its journal is left for the next action.
UINT EndRecordedAction(UINT result)
{
    CloseRunJournal();
    return EndAction(result);
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

// Immediate, before the script runs: the deferred actions' data (the
// paths, a new journal for the run, the installing user, what the run found:
// package_run.h), and the log-on command of the Active Setup component.
CUSTOM_ACTION PreparePackageRun(MSIHANDLE session)
{
    BeginAction(session, "PreparePackageRun");
    char install[MAX_PATH], windows[MAX_PATH], sid[192], flag[8], command[3 * MAX_PATH];
    static char data[4 * MAX_PATH];
    GetSessionProperty("INSTALLDIR", install, sizeof install);
    GetSessionProperty("WindowsFolder", windows, sizeof windows);
    GetSessionProperty("UserSID", sid, sizeof sid);
    bool removal = GetSessionProperty("FullRemoval", flag, sizeof flag) && flag[0] != '\0';
    bool keep = GetSessionProperty("KeepDeviceValues", flag, sizeof flag) && flag[0] != '\0';
    bool running = DriverIsRunning();
    RestartQueue queue;
    int queued = 0;
    if (ReadRestartQueue(&queue)) {
        queued = CountQueuedPairs(&queue);
        FreeRestartQueue(&queue);
    }
    if (!ComposePackageRunData(install, windows, sid, removal, keep, running, queued, data, sizeof data)) {
        ReportError("The paths of the installation do not fit (\"%s\", \"%s\").", install, windows);
        return EndAction(ERROR_INSTALL_FAILURE);
    }
    for (const char* const* action = PackageRunActions; *action != nullptr; ++action)
        SetSessionProperty(*action, data);
    LogLine("the run's data: %s", data);
    if (!FormatLogonStubCommand(command, sizeof command) || !SetSessionProperty("LogonStubCommand", command)) {
        ReportError("The log-on command of the calibration does not fit.");
        return EndAction(ERROR_INSTALL_FAILURE);
    }
    LogLine("the log-on command: %s", command);
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
// A repair or an upgrade writes them only when the key lost its values, so
// that a calibration stays.
CUSTOM_ACTION WriteDeviceDefaults(MSIHANDLE session)
{
    BeginAction(session, "WriteDeviceDefaults");
    if (!BeginRecordedAction())
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    if (!RecordDeviceValues()) {
        ReportError("The journal of the run could not be written (%lu).", GetLastError());
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    }
    if (CurrentRun.KeepDeviceValues && ParameterValuesPresent())
        LogLine("repair: the values under HKLM\\%s are there and stay", ParameterKey);
    else if (WriteParameterDefaults() == -3)
        LogLine("HKLM\\%s can neither be opened nor created; no defaults written", ParameterKey);
    else
        LogLine("%d parameter defaults written to HKLM\\%s", DeviceParameterCount, ParameterKey);
    WriteMouseValues();
    return EndRecordedAction(ERROR_SUCCESS);
}

// Deferred: the driver-setup tool's "setup", then the key security. Exit code
// 2, or a tool that can't be started, fails the installation; its rollback
// puts back what the journal holds (a driver service that was there before
// stays, with its configuration and values).
CUSTOM_ACTION RegisterDriverService(MSIHANDLE session)
{
    BeginAction(session, "RegisterDriverService");
    if (!BeginRecordedAction())
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    if (!RecordDriverState()) {
        ReportError("The journal of the run could not be written (%lu).", GetLastError());
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    }
    // The code reported with a failure is the tool run's own, as in the
    // wizard, not what the journal's set-up above left behind.
    SetLastError(ERROR_SUCCESS);
    if (RegisterDriverWithSetupTool() < 0) {
        DWORD error = GetLastError();
        ReportError("Setup driver fail(%d:%d).", static_cast<int>(error), OsClass);
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    }
    LogLine("the driver-setup tool succeeded");
    return EndRecordedAction(ERROR_SUCCESS);
}

// Rollback of the install's and of the removal's deferred actions: the run's
// journal undone, newest record first; after an install, what the installer
// queued for our files since the run began taken out again; then the driver
// runs again if it ran before the run.
CUSTOM_ACTION UndoPackageRun(MSIHANDLE session)
{
    BeginAction(session, "UndoPackageRun");
    if (!LoadPackageRun())
        return EndAction(ERROR_SUCCESS);
    LogLine("journal %s %s", CurrentRun.Journal,
            UndoJournalFile(CurrentRun.Journal) ? "undone" : "undone in part (see the lines above)");
    // Wine's installer queues the replacement of a file in use (the loaded
    // driver) and leaves it there when it rolls back: the restart would put
    // this version's file under the earlier installation.
    if (!CurrentRun.Removal)
        LogLine("%d replacements of this run taken out of the restart queue",
                TakeOutReplacementsSince(CurrentRun.QueuedPairsBefore));
    if (CurrentRun.DriverWasRunning && !DriverIsRunning())
        LogLine("the driver service %s", StartDriverServiceAgain() ? "is started again" : "could not be started");
    return EndAction(ERROR_SUCCESS);
}

// Deferred, the script's last action: the run went through, its journal
// goes (what it set aside goes, at the restart when in use); after a
// removal, the folders that still hold something of ours follow at the
// restart.
CUSTOM_ACTION CommitPackageRun(MSIHANDLE session)
{
    BeginAction(session, "CommitPackageRun");
    if (!LoadPackageRun())
        return EndAction(ERROR_SUCCESS);
    LogLine("journal %s %s", CurrentRun.Journal,
            CommitJournalFile(CurrentRun.Journal) ? "committed" : "could not be committed");
    if (CurrentRun.Removal)
        QueueLeftoverFolders();
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

// Deferred: the calibration tool starts at the installing user's log-ons.
// The action runs as the system; the value goes into that user's own hive.
CUSTOM_ACTION RegisterCalibrationAtLogon(MSIHANDLE session)
{
    BeginAction(session, "RegisterCalibrationAtLogon");
    if (!BeginRecordedAction())
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    if (!SetInstallingUsersLogonValue(CurrentRun.UserSid)) {
        ReportError("The log-on value of user %s could not be recorded (%lu).", CurrentRun.UserSid, GetLastError());
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    }
    LogLine("HKU\\%s\\%s\\%s set", CurrentRun.UserSid, RunKey, AutostartValueName);
    return EndRecordedAction(ERROR_SUCCESS);
}

// Deferred (removal): the log-on value and the user's copy of the Active
// Setup component, in every user hive that is loaded. The installing user's
// value that stays (a Run key the user may not change) fails the removal: it
// would start the calibration tool of a removed product at every log-on.
// Another user's that stays is harmless: the tool then says "Open driver
// fail(2)!".
CUSTOM_ACTION RemoveCalibrationAtLogon(MSIHANDLE session)
{
    BeginAction(session, "RemoveCalibrationAtLogon");
    if (!BeginRecordedAction())
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    bool installingUserStays = false;
    int staying = RemoveLogonValuesOfEveryUser(CurrentRun.UserSid, &installingUserStays);
    if (installingUserStays) {
        ReportError("HKCU\\%s\\%s could not be deleted.", RunKey, AutostartValueName);
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    }
    LogLine("log-on values deleted; %d of other users stay", staying);
    return EndRecordedAction(ERROR_SUCCESS);
}

// Deferred, before the files go: the setup tool removes the driver, then the
// driver's registry entries go. The tool in the install folder, or, when it
// is gone from there, the package's own copy. A tool that can't be started
// or exits with 2 fails the removal, and everything stays.
CUSTOM_ACTION RemoveDriverRegistration(MSIHANDLE session)
{
    BeginAction(session, "RemoveDriverRegistration");
    if (!BeginRecordedAction())
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    if (!RecordDriverState()) {
        ReportError("The journal of the run could not be written (%lu).", GetLastError());
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    }
    // Nothing for the tool to remove (a cleaner, or someone by hand, took
    // the service): the tool is not needed, and may be gone too.
    if (DriverServiceMissing()) {
        LogLine("no driver service %s; the driver-setup tool is not run", DRIVER_SERVICE_NAME);
        RemoveDriverEntries();
        TakeBackQueuedPackageEntries();
        return EndRecordedAction(ERROR_SUCCESS);
    }
    DWORD exitCode = 0;
    char tool[MAX_PATH], journalFolder[MAX_PATH];
    UninstallResult removal;
    if (FormatInstallPath(tool, DRIVER_SETUP_TOOL) && GetFileAttributesA(tool) == INVALID_FILE_ATTRIBUTES &&
        JournalFolderPath(journalFolder)) {
        LogLine("%s is missing; the package's own copy of the driver-setup tool removes the driver", tool);
        removal = RemoveDriverWithPackagedTool(journalFolder, &exitCode);
    } else {
        removal = RemoveDriverWithSetupTool(&exitCode);
    }
    if (removal == UninstallResult::SetupToolNotStarted) {
        ReportError("The driver-setup tool \"%s\\%s\" could not be started (%lu).", ModuleDirectory,
                    DRIVER_SETUP_TOOL, GetLastError());
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    }
    LogLine("the driver-setup tool's removal ended with %lu", exitCode);
    if (removal == UninstallResult::SetupToolFailed) {
        ReportError("Remove failure,please insert the usb interface");
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    }
    RemoveDriverEntries();
    // What a setup-wizard run queued for the package's files would bring
    // them back at the restart.
    TakeBackQueuedPackageEntries();
    return EndRecordedAction(ERROR_SUCCESS);
}

// Deferred, after the installer removed the files: what is left of ours (a
// running calibration tool, a file held open) is set aside for the restart
// (leftovers.h); the commit queues the folders after it.
CUSTOM_ACTION QueueLeftoversForRestart(MSIHANDLE session)
{
    BeginAction(session, "QueueLeftoversForRestart");
    if (!BeginRecordedAction())
        return EndRecordedAction(ERROR_INSTALL_FAILURE);
    LogLine("%d files of ours left for the restart", SetAsideLeftovers());
    return EndRecordedAction(ERROR_SUCCESS);
}
