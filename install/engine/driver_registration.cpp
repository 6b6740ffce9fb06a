// Registration of the kernel driver: the registry entries of an install, the
// driver-setup tool on the NT family, and on the older consumer family the
// .inf registration and the USB device-instance entries.
#include "driver_registration.h"

#include <cstring>

#include "action_log.h"
#include "bounded_format.h"
#include "driver_contract.h"
#include "install_paths.h"
#include "key_security.h"
#include "library_search.h"
#include "os_class.h"
#include "parameter_store.h"
#include "recorded_registry.h"
#include "run_journal.h"
#include "setup_tool.h"
#include "uninstall_entry.h"

const char UsbVendorId[] = "FFF0";
const char MouseKey[] = "Control Panel\\Mouse";
const MouseValue MouseValueTable[MouseValueCount] = {
    {"DoubleClickHeight", "25"},
    {"DoubleClickWidth", "25"},
    {"DoubleClickSpeed", "100"},
};

namespace {

const char DeviceInstanceFormat[] = "Enum\\USB\\VID_%s&PID_0001\\INST_%d";
const char DriverClassFormat[] = "System\\CurrentControlSet\\Services\\Class\\%s";
const char InstalledDeviceDesc[] = "Quortouch USB Touchscreen";
const char InstalledDriverList[] = DRIVER_FILE_NAME ",HidUsb.Sys";
const char RemovedDriverList[] = "HidUsb.Sys";
constexpr int DeviceInstanceCount = 10;

// SetupCopyOEMInfA, looked up at run time in the setup library.
using SetupCopyOemInfProc = BOOL(WINAPI*)(const char* sourceInf, const char* mediaLocation, DWORD mediaType,
                                          DWORD copyStyle, char* destinationName, DWORD destinationSize,
                                          DWORD* requiredSize, char** destinationComponent);

// REG_SZ data with an explicit size (with or without the terminating zero).
void SetStringValue(HKEY key, const char* name, const char* text, DWORD size)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size);
}

// The parameter key and its nineteen values as they are before the defaults
// go in. False with the last-error code when the journal could not take them.
bool RecordParameterValues()
{
    if (!RecordKeyCreated(HKEY_LOCAL_MACHINE, ParameterKey))
        return false;
    for (const DeviceParameter& entry : DeviceParameterTable)
        if (!RecordValue(HKEY_LOCAL_MACHINE, ParameterKey, entry.Name))
            return false;
    return true;
}

// The setup tool's "setup" run, then the parameter key's access list on
// OsClass 8..10, also after a failed run. 0, or -1 when the tool could not
// be started (its creation error) or exited with 2 (the error the run left);
// the last-error code is cleared after exit code 0 and left alone after any
// other.
int RunSetupToolAndSecureKey(SetupToolCommand* command)
{
    DWORD exitCode = 0;
    DWORD runError = 0;
    // The service as it is before the tool installs or refreshes it.
    if (!RecordDriverService(DRIVER_SERVICE_NAME)) {
        LogAction("record the driver service", DRIVER_SERVICE_NAME, GetLastError());
        return -1;
    }
    if (!RunSetupToolInstall(command, &exitCode, &runError)) {
        LogAction("start the driver setup tool", command->Application, GetLastError());
        return -1;
    }
    LogNote("driver setup tool exited %lu", exitCode);
    if (NeedsKeySecurity(OsClass))
        SecureParameterKey();
    if (exitCode == DRIVER_SETUP_FAILED) {
        SetLastError(runError);
        return -1;
    }
    if (exitCode == 0)
        SetLastError(ERROR_SUCCESS);
    return 0;
}

}  // namespace

int RegisterDriver()
{
    char uninstallString[MAX_PATH];
    if (IsNtFamily(OsClass)) {
        // Every path is formed before anything is written, so a base path
        // that is too long fails the step without half an install.
        SetupToolCommand command;
        if (!InstallPathsKnown() || !FormatSetupToolCommand(&command) || !FormatUninstallString(uninstallString))
            return PathTooLong();
        WriteDriverEntries();
        return RunSetupToolAndSecureKey(&command);
    }
    if (IsConsumerFamily(OsClass)) {
        char infSource[MAX_PATH];
        if (!FormatUninstallString(uninstallString) || !FormatInstallPath(infSource, DRIVER_INF_NAME))
            return PathTooLong();
        CopyOemInf();
        UpdateUsbDeviceEntries(UsbEntriesInstall);
        WriteDriverEntries();
        return 0;
    }
    return -1;
}

int RegisterDriverWithSetupTool()
{
    if (!IsNtFamily(OsClass))
        return -1;
    SetupToolCommand command;
    if (!InstallPathsKnown() || !FormatSetupToolCommand(&command))
        return PathTooLong();
    return RunSetupToolAndSecureKey(&command);
}

int WriteDriverEntries()
{
    bool created = false;
    int entry = WriteUninstallEntry(&created);
    LogKeyAction("write the uninstall entry", UninstallKey, entry == 0 ? ERROR_SUCCESS : GetLastError());
    if (entry == -3)
        return -3;
    // Values the journal could not take are not written either.
    if (!RecordParameterValues()) {
        LogKeyAction("record the parameter values of", ParameterKey, GetLastError());
        return -3;
    }
    int defaults = WriteParameterDefaults();
    LogKeyAction("write the parameter defaults to", ParameterKey, defaults == 0 ? ERROR_SUCCESS : GetLastError());
    if (defaults == -3)
        return -3;
    return WriteMouseValues();
}

int WriteMouseValues()
{
    // Under HKEY_LOCAL_MACHINE; the sizes leave out the terminating zero.
    HKEY key = nullptr;
    if (!RecordKeyCreated(HKEY_LOCAL_MACHINE, MouseKey) ||
        RegCreateKeyA(HKEY_LOCAL_MACHINE, MouseKey, &key) != ERROR_SUCCESS) {
        LogKeyAction("write the mouse values to", MouseKey, GetLastError());
        return 0;
    }
    LONG status = ERROR_SUCCESS;
    for (int i = 0; i < MouseValueCount && status == ERROR_SUCCESS; ++i)
        status = SetRecordedValue(HKEY_LOCAL_MACHINE, MouseKey, key, MouseValueTable[i].Name, REG_SZ,
                                  MouseValueTable[i].Text, static_cast<DWORD>(strlen(MouseValueTable[i].Text)));
    RegCloseKey(key);
    LogKeyAction("write the mouse values to", MouseKey, static_cast<DWORD>(status));
    return 0;
}

int CopyOemInf()
{
    // By its full path: the folder Install.exe runs from is still searched
    // where SetDefaultDllDirectories is missing.
    HMODULE setupLibrary = LoadSystemLibrary("Setupapi.dll");
    if (setupLibrary == nullptr)
        return static_cast<int>(GetLastError());
    auto copyOemInf =
        reinterpret_cast<SetupCopyOemInfProc>(reinterpret_cast<void*>(GetProcAddress(setupLibrary, "SetupCopyOEMInfA")));
    if (copyOemInf == nullptr) {
        DWORD error = GetLastError();
        FreeLibrary(setupLibrary);
        return static_cast<int>(error);
    }

    char source[MAX_PATH];
    if (!FormatInstallPath(source, DRIVER_INF_NAME)) {
        FreeLibrary(setupLibrary);
        return ERROR_FILENAME_EXCED_RANGE;
    }
    char destination[MAX_PATH] = {};
    if (copyOemInf(source, nullptr, 0 /* SPOST_NONE */, 0, destination, MAX_PATH, nullptr, nullptr)) {
        FreeLibrary(setupLibrary);
        return 0;
    }
    DWORD error = GetLastError();
    FreeLibrary(setupLibrary);
    return static_cast<int>(error);
}

void UpdateUsbDeviceEntries(UsbEntryDirection direction)
{
    for (int instance = 0; instance < DeviceInstanceCount; ++instance) {
        char instancePath[MAX_PATH];
        if (!FormatInto(instancePath, DeviceInstanceFormat, UsbVendorId, instance))
            continue;
        HKEY instanceKey = nullptr;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, instancePath, &instanceKey) != ERROR_SUCCESS)
            continue;

        // One byte beyond the 260 read keeps the text terminated whatever the
        // value holds.
        char driver[MAX_PATH + 1] = {};
        DWORD size = MAX_PATH;
        if (RegQueryValueExA(instanceKey, "Driver", nullptr, nullptr, reinterpret_cast<BYTE*>(driver), &size) !=
            ERROR_SUCCESS) {
            RegCloseKey(instanceKey);
            continue;
        }
        char classPath[MAX_PATH];
        HKEY classKey = nullptr;
        if (!FormatInto(classPath, DriverClassFormat, driver) ||
            RegOpenKeyA(HKEY_LOCAL_MACHINE, classPath, &classKey) != ERROR_SUCCESS) {
            RegCloseKey(instanceKey);
            continue;
        }

        char description[64] = {};
        char driverList[64] = {};
        if (direction == UsbEntriesInstall) {
            FormatInto(description, "%s", InstalledDeviceDesc);
            FormatInto(driverList, "%s", InstalledDriverList);
        } else {
            // A missing "DriverDesc", or one that does not fit, gives an
            // empty description.
            char saved[sizeof description + 1] = {};
            DWORD savedSize = sizeof description;
            if (RegQueryValueExA(classKey, "DriverDesc", nullptr, nullptr, reinterpret_cast<BYTE*>(saved),
                                 &savedSize) == ERROR_SUCCESS)
                FormatInto(description, "%s", saved);
            FormatInto(driverList, "%s", RemovedDriverList);
        }
        SetStringValue(instanceKey, "DeviceDesc", description, static_cast<DWORD>(strlen(description)));
        SetStringValue(classKey, "NTMPDriver", driverList, static_cast<DWORD>(strlen(driverList)));

        RegCloseKey(classKey);
        RegCloseKey(instanceKey);
    }
}
