// Widening the parameter key's access list: Users, Guests and Administrators
// each get full access to the key, inheritable by its subkeys.
#include "key_security.h"

#include <windows.h>
#include <aclapi.h>

#include "action_log.h"
#include "bounded_format.h"
#include "debug_trace.h"
#include "parameter_store.h"
#include "run_journal.h"

namespace {

// The trustees, by account name, in the order they are granted access.
const char* const ParameterKeyTrustees[] = {"Users", "Guests", "Administrators"};

// ACCESS_SYSTEM_SECURITY | WRITE_DAC | READ_CONTROL | KEY_QUERY_VALUE |
// KEY_ENUMERATE_SUB_KEYS: the open that shows the privilege took effect.
constexpr REGSAM SecurityProbeAccess = 0x1060009;
static_assert(SecurityProbeAccess ==
                  (ACCESS_SYSTEM_SECURITY | WRITE_DAC | READ_CONTROL | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS),
              "probe access");

}  // namespace

void SecureParameterKey()
{
    DebugTrace(0, "Set Security.\n");
    if (!EnablePrivilege(GetCurrentProcess(), "SeSecurityPrivilege"))
        return;

    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, nullptr, 0, SecurityProbeAccess, &key);
    if (status != ERROR_SUCCESS) {
        DebugTrace(0, "Open register key fail(%d)\n", static_cast<int>(status));
        return;
    }
    RegCloseKey(key);

    char objectName[MAX_PATH];
    if (!FormatInto(objectName, "MACHINE\\%s", ParameterKey))
        return;
    // The list as it was, for the undo of a failed run; unrecorded, it stays.
    if (!RecordAccessList(HKEY_LOCAL_MACHINE, ParameterKey)) {
        LogKeyAction("record the access list of", ParameterKey, GetLastError());
        return;
    }
    DWORD result = ERROR_SUCCESS;
    for (const char* trustee : ParameterKeyTrustees)
        if ((result = GrantKeyAccess(objectName, SE_REGISTRY_KEY, trustee)) != 0)
            break;
    LogKeyAction("widen the access list of", ParameterKey, result);
}

bool EnablePrivilege(HANDLE process, const char* privilegeName)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_ALL_ACCESS, &token)) {
        DebugTrace(0, "Open process tocken fail(%d)\n", static_cast<int>(GetLastError()));
        return false;
    }
    TOKEN_PRIVILEGES privileges = {};
    if (!LookupPrivilegeValueA(nullptr, privilegeName, &privileges.Privileges[0].Luid)) {
        DebugTrace(0, "Lookup privilege fail(%d)\n", static_cast<int>(GetLastError()));
        CloseHandle(token);
        return false;
    }
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // Success counts even when the token does not hold the privilege
    // (ERROR_NOT_ALL_ASSIGNED).
    if (!AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr)) {
        DebugTrace(0, "Adjust token privilege fail(%d)\n", static_cast<int>(GetLastError()));
        CloseHandle(token);
        return false;
    }
    CloseHandle(token);
    return true;
}

DWORD GrantKeyAccess(const char* objectName, SE_OBJECT_TYPE objectType, const char* trusteeName)
{
    if (objectName == nullptr) {
        DebugTrace(0, "Object Name is NULL\n");
        return ERROR_INVALID_PARAMETER;
    }

    PACL currentDacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD result = GetNamedSecurityInfoA(const_cast<char*>(objectName), objectType, DACL_SECURITY_INFORMATION, nullptr,
                                         nullptr, &currentDacl, nullptr, &descriptor);
    if (result != ERROR_SUCCESS) {
        if (descriptor != nullptr)
            LocalFree(descriptor);
        DebugTrace(0, "Get the security info of the '%s' key(for '%s') fail(0x%08X)\n", objectName, trusteeName,
                   static_cast<unsigned>(result));
        return result;
    }

    // SET_ACCESS replaces whatever the list held for this trustee.
    EXPLICIT_ACCESS_A access = {};
    BuildExplicitAccessWithNameA(&access, const_cast<char*>(trusteeName), KEY_ALL_ACCESS, SET_ACCESS,
                                 OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);

    PACL newDacl = nullptr;
    result = SetEntriesInAclA(1, &access, currentDacl, &newDacl);
    if (result != ERROR_SUCCESS) {
        if (descriptor != nullptr)
            LocalFree(descriptor);
        if (newDacl != nullptr)
            LocalFree(newDacl);
        DebugTrace(0, "Set the entries in acl of the '%s' key(for '%s') fail(0x%08X)\n", objectName, trusteeName,
                   static_cast<unsigned>(result));
        return result;
    }

    result = SetNamedSecurityInfoA(const_cast<char*>(objectName), objectType, DACL_SECURITY_INFORMATION, nullptr,
                                   nullptr, newDacl, nullptr);
    if (result != ERROR_SUCCESS)
        DebugTrace(0, "Set Named Security '%s' fail(0x%08X)\n", objectName, static_cast<unsigned>(result));

    if (descriptor != nullptr)
        LocalFree(descriptor);
    if (newDacl != nullptr)
        LocalFree(newDacl);
    return result;
}
