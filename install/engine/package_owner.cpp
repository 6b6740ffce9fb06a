#include "package_owner.h"

#include <msi.h>

#include <cstring>

#include "action_log.h"
#include "bounded_format.h"
#include "hidden_process.h"
#include "library_search.h"
#include "uninstall_entry.h"

namespace {

const char PackageUpgradeCode[] = "{" PACKAGE_UPGRADE_CODE "}";

using EnumRelatedProducts = UINT(WINAPI*)(LPCSTR upgradeCode, DWORD reserved, DWORD index, LPSTR productCode);
using QueryProductState = INSTALLSTATE(WINAPI*)(LPCSTR product);

// msi.dll's two functions, loaded on first use and kept.
struct InstallerFunctions {
    bool Tried;
    EnumRelatedProducts EnumRelated;
    QueryProductState QueryState;
};
InstallerFunctions Installer = {};

bool LoadInstallerFunctions()
{
    if (!Installer.Tried) {
        Installer.Tried = true;
        HMODULE msi = LoadSystemLibrary("msi.dll");
        if (msi != nullptr) {
            Installer.EnumRelated = reinterpret_cast<EnumRelatedProducts>(
                reinterpret_cast<void*>(GetProcAddress(msi, "MsiEnumRelatedProductsA")));
            Installer.QueryState = reinterpret_cast<QueryProductState>(
                reinterpret_cast<void*>(GetProcAddress(msi, "MsiQueryProductStateA")));
        }
        LogNote("msi.dll %s", Installer.QueryState != nullptr ? "loaded" : "could not be used");
    }
    return Installer.QueryState != nullptr;
}

bool Listed(const PackageProducts& products, const char* code)
{
    for (int i = 0; i < products.Count; ++i)
        if (lstrcmpiA(products.Codes[i], code) == 0)
            return true;
    return false;
}

void Add(PackageProducts* products, const char* code)
{
    if (products != nullptr && products->Count < MaxPackageProducts && !Listed(*products, code) &&
        FormatInto(products->Codes[products->Count], "%s", code))
        ++products->Count;
}

// An entry of the package: the product's name, written by Windows Installer.
bool IsPackageEntry(HKEY parent, const char* name)
{
    HKEY entry = nullptr;
    if (name[0] != '{' || RegOpenKeyExA(parent, name, 0, KEY_READ, &entry) != ERROR_SUCCESS)
        return false;
    char displayName[MAX_PATH] = {};
    DWORD nameSize = sizeof displayName - 1, byInstaller = 0, wordSize = sizeof byInstaller;
    bool ours = RegQueryValueExA(entry, "DisplayName", nullptr, nullptr, reinterpret_cast<BYTE*>(displayName),
                                 &nameSize) == ERROR_SUCCESS &&
                strcmp(displayName, UninstallDisplayName) == 0 &&
                RegQueryValueExA(entry, "WindowsInstaller", nullptr, nullptr, reinterpret_cast<BYTE*>(&byInstaller),
                                 &wordSize) == ERROR_SUCCESS &&
                byInstaller == 1;
    RegCloseKey(entry);
    return ours;
}

bool SucceededExit(DWORD exitCode)
{
    return exitCode == ERROR_SUCCESS || exitCode == ERROR_SUCCESS_REBOOT_REQUIRED ||
           exitCode == ERROR_SUCCESS_REBOOT_INITIATED;
}

// "msiexec /x" of one product, run from the system directory: the install
// folder, where Install.exe usually runs from, is one the removal deletes.
// The exit code, or ERROR_INSTALL_FAILURE when msiexec could not be started.
DWORD RunPackageRemoval(const char* productCode)
{
    char system[MAX_PATH], application[MAX_PATH], commandLine[2 * MAX_PATH];
    UINT length = GetSystemDirectoryA(system, sizeof system);
    DWORD exitCode = ERROR_INSTALL_FAILURE;
    bool ran = length > 0 && length < sizeof system && FormatInto(application, "%s\\msiexec.exe", system) &&
               FormatInto(commandLine, "\"%s\" /x %s /qn REBOOT=ReallySuppress", application, productCode) &&
               RunHiddenAndWait(application, commandLine, system, &exitCode);
    if (ran)
        LogNote("Windows Installer package %s: msiexec /x exited %lu", productCode, exitCode);
    else
        LogAction("start msiexec /x", productCode, GetLastError());
    return exitCode;
}

}  // namespace

int FindPackageEntries(PackageProducts* entries, const char* except)
{
    entries->Count = 0;
    HKEY parent = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallParentKey, 0, KEY_READ, &parent) != ERROR_SUCCESS)
        return 0;
    char name[ProductCodeSize];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        LONG status = RegEnumKeyExA(parent, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        if ((except == nullptr || lstrcmpiA(name, except) != 0) && IsPackageEntry(parent, name))
            Add(entries, name);
    }
    RegCloseKey(parent);
    return entries->Count;
}

int FindInstalledPackages(PackageProducts* installed, PackageProducts* stale, const char* except)
{
    installed->Count = 0;
    if (stale != nullptr)
        stale->Count = 0;
    PackageProducts candidates;
    if (FindPackageEntries(&candidates, except) == 0 || !LoadInstallerFunctions())
        return 0;
    int entries = candidates.Count;
    char code[ProductCodeSize];
    for (DWORD index = 0; Installer.EnumRelated != nullptr &&
                          Installer.EnumRelated(PackageUpgradeCode, 0, index, code) == ERROR_SUCCESS;
         ++index)
        if (except == nullptr || lstrcmpiA(code, except) != 0)
            Add(&candidates, code);
    for (int i = 0; i < candidates.Count; ++i) {
        if (Installer.QueryState(candidates.Codes[i]) == INSTALLSTATE_DEFAULT)
            Add(installed, candidates.Codes[i]);
        else if (i < entries)
            Add(stale, candidates.Codes[i]);
    }
    return installed->Count;
}

bool FindInstalledPackage(char (&productCode)[ProductCodeSize], const char* except)
{
    PackageProducts installed;
    productCode[0] = '\0';
    return FindInstalledPackages(&installed, nullptr, except) > 0 &&
           FormatInto(productCode, "%s", installed.Codes[0]);
}

void DeleteStalePackageEntries(const PackageProducts& stale)
{
    char path[MAX_PATH];
    for (int i = 0; i < stale.Count; ++i)
        if (FormatInto(path, "%s\\%s", UninstallParentKey, stale.Codes[i]))
            LogAction("delete the stale package entry", stale.Codes[i],
                      static_cast<DWORD>(RegDeleteKeyA(HKEY_LOCAL_MACHINE, path)));
}

PackageRemoval RemoveThroughInstalledPackages(PackageProducts* stale)
{
    PackageProducts installed;
    if (FindInstalledPackages(&installed, stale) == 0)
        return PackageRemoval::NoPackage;
    bool removed = false, failed = false;
    for (int i = 0; i < installed.Count; ++i) {
        DWORD exitCode = RunPackageRemoval(installed.Codes[i]);
        // Gone meanwhile: no package, as far as this one goes.
        if (exitCode == ERROR_UNKNOWN_PRODUCT)
            continue;
        if (SucceededExit(exitCode))
            removed = true;
        else
            failed = true;
    }
    if (failed)
        return PackageRemoval::Failed;
    if (!removed)
        return PackageRemoval::NoPackage;
    LONG status = RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKey);
    if (status != ERROR_FILE_NOT_FOUND)
        LogAction("delete the setup wizard's entry beside the package", UninstallKey, static_cast<DWORD>(status));
    DeleteStalePackageEntries(*stale);
    stale->Count = 0;
    return PackageRemoval::Removed;
}
