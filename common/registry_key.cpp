// Opening or creating a key, and deleting one subkey.
#include "registry_key.h"

bool OpenOrCreateKey(HKEY root, const char* path, REGSAM createAccess, HKEY* key, bool* created)
{
    if (created != nullptr)
        *created = false;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, key) == ERROR_SUCCESS)
        return true;
    DWORD disposition = 0;
    if (RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, createAccess, nullptr, key,
                        &disposition) != ERROR_SUCCESS) {
        *key = nullptr;
        return false;
    }
    if (created != nullptr)
        *created = disposition == REG_CREATED_NEW_KEY;
    return true;
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

bool RegistryKeyPresent(HKEY root, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
