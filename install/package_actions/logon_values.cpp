#include "logon_values.h"

#include <cstring>

#include "action_log.h"
#include "autostart.h"
#include "bounded_format.h"
#include "run_journal.h"

const char ActiveSetupKey[] = "Software\\Microsoft\\Active Setup\\Installed Components\\{" ACTIVE_SETUP_ID "}";

namespace {

constexpr size_t HiveNameSize = 192;
constexpr size_t UserKeySize = HiveNameSize + 128;

bool ValueThere(HKEY root, const char* path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    bool there = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return there;
}

// The log-on value of one hive, recorded, then deleted. False when it stays.
bool RemoveLogonValue(const char* hive)
{
    char path[UserKeySize];
    if (!FormatInto(path, "%s\\%s", hive, RunKey) || !ValueThere(HKEY_USERS, path, AutostartValueName))
        return true;
    HKEY key = nullptr;
    LONG status = RecordValue(HKEY_USERS, path, AutostartValueName)
                      ? RegOpenKeyExA(HKEY_USERS, path, 0, KEY_SET_VALUE, &key)
                      : static_cast<LONG>(GetLastError());
    if (status == ERROR_SUCCESS) {
        status = RegDeleteValueA(key, AutostartValueName);
        RegCloseKey(key);
    }
    char shown[UserKeySize + 32];
    FormatInto(shown, "HKU\\%s\\%s", path, AutostartValueName);
    LogAction("delete the log-on value", shown, static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

// The user's copy of the Active Setup component: its values recorded and
// deleted, then the key; a later installation prompts that user again.
void RemoveActiveSetupCopy(const char* hive)
{
    char path[UserKeySize];
    HKEY key = nullptr;
    if (!FormatInto(path, "%s\\%s", hive, ActiveSetupKey) ||
        RegOpenKeyExA(HKEY_USERS, path, 0, KEY_READ | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    char name[MAX_PATH];
    bool recorded = true;
    for (;;) {
        DWORD length = sizeof name;
        if (RegEnumValueA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (!(recorded = RecordValue(HKEY_USERS, path, name)) || RegDeleteValueA(key, name) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    LONG status = recorded ? RegDeleteKeyA(HKEY_USERS, path) : static_cast<LONG>(GetLastError());
    char shown[UserKeySize + 8];
    FormatInto(shown, "HKU\\%s", path);
    LogAction("delete the user's copy of the Active Setup component", shown, static_cast<DWORD>(status));
}

bool EndsWith(const char* text, const char* end)
{
    size_t length = strlen(text), endLength = strlen(end);
    return length >= endLength && _stricmp(text + length - endLength, end) == 0;
}

}  // namespace

bool FormatLogonStubCommand(char* command, size_t size)
{
    char system[MAX_PATH], data[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, sizeof system);
    return length > 0 && length < sizeof system && FormatAutostartData(data, AutostartValueName, AutostartFileName) &&
           FormatBounded(command, size, "\"%s\\reg.exe\" add \"HKCU\\%s\" /v %s /t REG_SZ /d \"%s\" /f", system,
                         RunKey, AutostartValueName, data);
}

bool SetInstallingUsersLogonValue(const char* userSid)
{
    char path[UserKeySize];
    if (userSid[0] == '\0' || !FormatInto(path, "%s\\%s", userSid, RunKey)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!RecordKeyCreated(HKEY_USERS, path) || !RecordValue(HKEY_USERS, path, AutostartValueName))
        return false;
    SetAutostartValueIn(HKEY_USERS, path, AutostartValueName, AutostartFileName);
    return true;
}

int RemoveLogonValuesOfEveryUser(const char* installingSid, bool* installingUserStays)
{
    *installingUserStays = false;
    int staying = 0;
    char hive[HiveNameSize];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof hive;
        LONG status = RegEnumKeyExA(HKEY_USERS, index, hive, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        if (EndsWith(hive, "_Classes"))
            continue;
        RemoveActiveSetupCopy(hive);
        if (!RemoveLogonValue(hive)) {
            ++staying;
            if (_stricmp(hive, installingSid) == 0)
                *installingUserStays = true;
        }
    }
    return staying;
}
