#include "upgrade_records.h"

#include <windows.h>

#include <cstring>

#include "bounded_format.h"

namespace {

const char PackageUpgradeCode[] = "{" PACKAGE_UPGRADE_CODE "}";
const char* const UpgradeCodeKeys[] = {
    "Software\\Classes\\Installer\\UpgradeCodes",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UpgradeCodes",
};

// The installer's packed form of a GUID: the first three groups reversed,
// the last two with the digits of each byte swapped.
bool PackGuid(const char* guid, char (&packed)[33])
{
    static const int Order[32] = {8,  7,  6,  5,  4,  3,  2,  1,  13, 12, 11, 10, 18, 17, 16, 15,
                                  21, 20, 23, 22, 26, 25, 28, 27, 30, 29, 32, 31, 34, 33, 36, 35};
    if (strlen(guid) != 38 || guid[0] != '{' || guid[37] != '}')
        return false;
    for (int i = 0; i < 32; ++i)
        packed[i] = guid[Order[i]];
    packed[32] = '\0';
    return true;
}

}  // namespace

bool RelistUnderUpgradeCode(const char* productCode)
{
    char upgrade[33], product[33], path[MAX_PATH];
    if (!PackGuid(PackageUpgradeCode, upgrade) || !PackGuid(productCode, product))
        return false;
    bool written = true;
    for (const char* parent : UpgradeCodeKeys) {
        HKEY key = nullptr;
        written = FormatInto(path, "%s\\%s", parent, upgrade) &&
                  RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
                      ERROR_SUCCESS &&
                  written;
        if (key != nullptr) {
            written = RegSetValueExA(key, product, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) == ERROR_SUCCESS &&
                      written;
            RegCloseKey(key);
        }
    }
    return written;
}
