#include "driver_state.h"

#include "driver_contract.h"
#include "driver_registration.h"
#include "parameter_store.h"
#include "registry_key.h"
#include "run_journal.h"

namespace {

// The driver's service with the given access; null when it can't be opened.
SC_HANDLE OpenDriverService(DWORD access, SC_HANDLE* manager)
{
    *manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (*manager == nullptr)
        return nullptr;
    SC_HANDLE service = OpenServiceA(*manager, DRIVER_SERVICE_NAME, access);
    if (service == nullptr) {
        DWORD error = GetLastError();
        CloseServiceHandle(*manager);
        *manager = nullptr;
        SetLastError(error);
    }
    return service;
}

void CloseDriverService(SC_HANDLE service, SC_HANDLE manager)
{
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

// Every value the key holds, each recorded with its data.
bool RecordEveryValue(HKEY root, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return true;
    bool recorded = true;
    char name[MAX_PATH];
    for (DWORD index = 0; recorded; ++index) {
        DWORD length = sizeof name;
        if (RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        recorded = RecordValue(root, path, name);
    }
    RegCloseKey(key);
    return recorded;
}

}  // namespace

bool DriverServiceMissing()
{
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = OpenDriverService(SERVICE_QUERY_STATUS, &manager);
    if (service == nullptr)
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    CloseDriverService(service, manager);
    return false;
}

bool DriverIsRunning()
{
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = OpenDriverService(SERVICE_QUERY_STATUS, &manager);
    if (service == nullptr)
        return false;
    SERVICE_STATUS status = {};
    bool running = QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
    CloseDriverService(service, manager);
    return running;
}

bool ParameterValuesPresent()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ParameterKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD values = 0;
    LONG status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                   nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && values > 0;
}

bool RecordDeviceValues()
{
    if (!RecordKeyCreated(HKEY_LOCAL_MACHINE, ParameterKey) || !RecordKeyCreated(HKEY_LOCAL_MACHINE, MouseKey))
        return false;
    for (const DeviceParameter& entry : DeviceParameterTable)
        if (!RecordValue(HKEY_LOCAL_MACHINE, ParameterKey, entry.Name))
            return false;
    for (const MouseValue& value : MouseValueTable)
        if (!RecordValue(HKEY_LOCAL_MACHINE, MouseKey, value.Name))
            return false;
    return true;
}

bool RecordDriverState()
{
    // The service key's values before its configuration: the undo puts the
    // configuration back first, then the values exactly (a display name or
    // group that the configuration's call writes empty goes again).
    return RecordEveryValue(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY) &&
           RecordValue(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY, "DisplayName") &&
           RecordValue(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY, "Group") && RecordDriverService(DRIVER_SERVICE_NAME) &&
           (!RegistryKeyPresent(HKEY_LOCAL_MACHINE, ParameterKey) || RecordAccessList(HKEY_LOCAL_MACHINE, ParameterKey)) &&
           RecordEveryValue(HKEY_LOCAL_MACHINE, ParameterKey);
}

bool StartDriverServiceAgain()
{
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = OpenDriverService(SERVICE_START | SERVICE_QUERY_STATUS, &manager);
    if (service == nullptr)
        return false;
    bool started = StartServiceA(service, 0, nullptr) || GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
    CloseDriverService(service, manager);
    return started;
}
