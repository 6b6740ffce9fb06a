#include "package_owner.h"

#include <cstring>

#include "bounded_format.h"
#include "debug_trace.h"
#include "hidden_process.h"
#include "library_search.h"
#include "uninstall_entry.h"

namespace {

const char PackageUpgradeCode[] = "{" PACKAGE_UPGRADE_CODE "}";

using EnumRelatedProducts = UINT(WINAPI*)(LPCSTR upgradeCode, DWORD reserved, DWORD index, LPSTR productCode);

// The installer's records under the upgrade code.
bool FindByUpgradeCode(char (&productCode)[ProductCodeSize], const char* except)
{
    HMODULE msi = LoadSystemLibrary("msi.dll");
    if (msi == nullptr)
        return false;
    auto enumRelated = reinterpret_cast<EnumRelatedProducts>(
        reinterpret_cast<void*>(GetProcAddress(msi, "MsiEnumRelatedProductsA")));
    bool found = false;
    for (DWORD index = 0; !found && enumRelated != nullptr; ++index) {
        if (enumRelated(PackageUpgradeCode, 0, index, productCode) != ERROR_SUCCESS)
            break;
        found = except == nullptr || lstrcmpiA(productCode, except) != 0;
    }
    FreeLibrary(msi);
    return found;
}

// Programs and Features: a Windows Installer entry, named by its product
// code, with the package's name. Wine's installer can lose its upgrade-code
// records (a rolled-back upgrade, or the removal of another version, drops
// the whole list); the entry stays while the product is installed.
bool FindByUninstallEntry(char (&productCode)[ProductCodeSize], const char* except)
{
    HKEY parent = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallParentKey, 0, KEY_READ, &parent) != ERROR_SUCCESS)
        return false;
    bool found = false;
    for (DWORD index = 0; !found; ++index) {
        DWORD size = ProductCodeSize;
        LONG status = RegEnumKeyExA(parent, index, productCode, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        char name[MAX_PATH] = {};
        DWORD nameSize = sizeof name - 1, byInstaller = 0, wordSize = sizeof byInstaller;
        HKEY entry = nullptr;
        if (productCode[0] != '{' || (except != nullptr && lstrcmpiA(productCode, except) == 0) ||
            RegOpenKeyExA(parent, productCode, 0, KEY_READ, &entry) != ERROR_SUCCESS)
            continue;
        found = RegQueryValueExA(entry, "DisplayName", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &nameSize) ==
                    ERROR_SUCCESS &&
                strcmp(name, UninstallDisplayName) == 0 &&
                RegQueryValueExA(entry, "WindowsInstaller", nullptr, nullptr, reinterpret_cast<BYTE*>(&byInstaller),
                                 &wordSize) == ERROR_SUCCESS &&
                byInstaller == 1;
        RegCloseKey(entry);
    }
    RegCloseKey(parent);
    return found;
}

}  // namespace

bool FindInstalledPackage(char (&productCode)[ProductCodeSize], const char* except)
{
    bool found = FindByUpgradeCode(productCode, except) || FindByUninstallEntry(productCode, except);
    if (!found)
        productCode[0] = '\0';
    return found;
}

bool RemoveThroughInstalledPackage(bool* removed)
{
    char productCode[ProductCodeSize];
    if (!FindInstalledPackage(productCode))
        return false;
    // Run from the system directory: the install folder, where this program
    // usually runs from, is one of the folders the removal deletes.
    char system[MAX_PATH], application[MAX_PATH], commandLine[2 * MAX_PATH];
    UINT length = GetSystemDirectoryA(system, sizeof system);
    DWORD exitCode = ERROR_INSTALL_FAILURE;
    bool ran = length > 0 && length < sizeof system && FormatInto(application, "%s\\msiexec.exe", system) &&
               FormatInto(commandLine, "\"%s\" /x %s /qn REBOOT=ReallySuppress", application, productCode) &&
               RunHiddenAndWait(application, commandLine, system, &exitCode);
    DebugTrace(0, "Package %s removal: %s, exit code %lu\n", productCode, ran ? "ran" : "not started", exitCode);
    *removed = ran && (exitCode == ERROR_SUCCESS || exitCode == ERROR_SUCCESS_REBOOT_REQUIRED ||
                       exitCode == ERROR_SUCCESS_REBOOT_INITIATED);
    if (*removed)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKey);
    return true;
}
