#include "driver_state.h"

#include <cstring>

#include "bounded_format.h"
#include "driver_contract.h"
#include "parameter_store.h"

bool DriverServiceMissing()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr)
        return false;
    SC_HANDLE service = OpenServiceA(manager, DRIVER_SERVICE_NAME, SERVICE_QUERY_STATUS);
    bool missing = service == nullptr && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    if (service != nullptr)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return missing;
}

bool FormatParameterValues(char* out, size_t size)
{
    out[0] = '\0';
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ParameterKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return true;
    bool fits = true;
    size_t used = 0;
    for (const DeviceParameter& entry : DeviceParameterTable) {
        DWORD value = 0, type = 0, length = sizeof value;
        if (RegQueryValueExA(key, entry.Name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &length) !=
                ERROR_SUCCESS ||
            type != REG_DWORD || length != sizeof value)
            continue;
        if (!FormatBounded(out + used, size - used, "%s=%lu;", entry.Name, value)) {
            fits = false;
            break;
        }
        used += strlen(out + used);
    }
    RegCloseKey(key);
    return fits;
}

namespace {

// A whole decimal DWORD.
bool ParseDword(const char* text, DWORD* value)
{
    unsigned long long parsed = 0;
    for (const char* digit = text; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9' || (parsed = parsed * 10 + (*digit - '0')) > 0xFFFFFFFFull)
            return false;
    }
    *value = static_cast<DWORD>(parsed);
    return *text != '\0';
}

bool IsParameterName(const char* name)
{
    for (const DeviceParameter& entry : DeviceParameterTable)
        if (strcmp(entry.Name, name) == 0)
            return true;
    return false;
}

}  // namespace

int RestoreParameterValues(const char* text)
{
    if (text == nullptr || text[0] == '\0')
        return 0;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ParameterKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return 0;
    int written = 0;
    for (const char* item = text; *item != '\0';) {
        const char* end = strchr(item, ';');
        size_t length = end != nullptr ? static_cast<size_t>(end - item) : strlen(item);
        char pair[MAX_PATH + 16];
        const char* equals = nullptr;
        if (length < sizeof pair) {
            memcpy(pair, item, length);
            pair[length] = '\0';
            equals = strchr(pair, '=');
        }
        if (equals != nullptr) {
            pair[equals - pair] = '\0';
            DWORD value = 0;
            if (ParseDword(equals + 1, &value) && IsParameterName(pair) &&
                RegSetValueExA(key, pair, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
                    ERROR_SUCCESS)
                ++written;
        }
        item += length + (end != nullptr ? 1 : 0);
    }
    RegCloseKey(key);
    return written;
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
