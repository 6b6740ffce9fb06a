// The uninstall entry's details for Programs and Features: version,
// publisher, icon, install folder, size, and no change or repair mode.
#include "uninstall_details.h"

#include <cstring>

#include "deployment.h"
#include "install_paths.h"
#include "package_version.h"
#include "recorded_registry.h"

namespace {

// Into the uninstall entry, each recorded in the run's journal first.
void SetText(HKEY key, const char* keyPath, const char* name, const char* text)
{
    SetRecordedText(HKEY_LOCAL_MACHINE, keyPath, key, name, text);
}

void SetDword(HKEY key, const char* keyPath, const char* name, DWORD value)
{
    SetRecordedValue(HKEY_LOCAL_MACHINE, keyPath, key, name, REG_DWORD, &value, sizeof value);
}

ULONGLONG FileSize(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

DWORD InstalledSizeKb()
{
    ULONGLONG bytes = 0;
    char path[MAX_PATH];
    for (const PackageFileRow& row : PackageFileTable) {
        if (FormatInstallPath(path, row.NameField))
            bytes += FileSize(path);
        const char* second = SecondTarget(row);
        if (second[0] != '\0' && FormatWindowsPath(path, second))
            bytes += FileSize(path);
    }
    return static_cast<DWORD>((bytes + 1023) / 1024);
}

void WriteUninstallDetails(HKEY uninstallKey, const char* uninstallKeyPath)
{
    // The size probe fails on files an install did not copy; the step's
    // last-error code stays what it was before the details.
    DWORD lastError = GetLastError();
    SetText(uninstallKey, uninstallKeyPath, "DisplayVersion", PACKAGE_VERSION_TEXT);
    SetText(uninstallKey, uninstallKeyPath, "Publisher", PACKAGE_COMPANY);
    char path[MAX_PATH];
    if (FormatInstallPath(path, INSTALLER_FILE_NAME))
        SetText(uninstallKey, uninstallKeyPath, "DisplayIcon", path);
    if (InstallDirectory[0] != '\0')
        SetText(uninstallKey, uninstallKeyPath, "InstallLocation", InstallDirectory);
    SetDword(uninstallKey, uninstallKeyPath, "EstimatedSize", InstalledSizeKb());
    SetDword(uninstallKey, uninstallKeyPath, "NoModify", 1);
    SetDword(uninstallKey, uninstallKeyPath, "NoRepair", 1);
    SetLastError(lastError);
}
