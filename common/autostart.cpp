#include "autostart.h"

#include <windows.h>

#include <cstring>

#include "bounded_format.h"
#include "package_layout.h"
#include "registry_key.h"

const char RunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char AutostartValueName[] = "QuortouchUsb";
const char AutostartFileName[] = CALIBRATION_TOOL_FILE_NAME;

// A key that denies full access is created (opened) with what it grants.
static bool OpenOrCreateRunKey(HKEY root, const char* path, HKEY* key)
{
    return OpenOrCreateKey(root, path, MAXIMUM_ALLOWED, key);
}

static bool IsWindowsVista()
{
    // The extended structure, all other bytes zero.
    static_assert(sizeof(OSVERSIONINFOEXA) == 156, "the version query passes 156 bytes");
    OSVERSIONINFOEXA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    BOOL ok = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version));
#pragma GCC diagnostic pop
    return ok && version.dwMajorVersion == 6 && version.dwMinorVersion == 0;
}

bool FormatAutostartData(char (&data)[MAX_PATH], const char* valueName, const char* fileName)
{
    char windowsDirectory[MAX_PATH] = {};
    GetWindowsDirectoryA(windowsDirectory, MAX_PATH);
    return FormatInto(data, "%s\\%s\\%s", windowsDirectory, valueName, fileName);
}

void SetAutostartValue(const char* valueName, const char* fileName)
{
    SetAutostartValueIn(HKEY_CURRENT_USER, RunKey, valueName, fileName);
}

void SetAutostartValueIn(HKEY root, const char* runKeyPath, const char* valueName, const char* fileName)
{
    if (IsWindowsVista())
        return;
    HKEY key = nullptr;
    if (!OpenOrCreateRunKey(root, runKeyPath, &key))
        return;
    char data[MAX_PATH] = {};
    if (FormatAutostartData(data, valueName, fileName))
        RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                       static_cast<DWORD>(strlen(data)));
    RegCloseKey(key);
}

void DeleteAutostartValue(const char* valueName)
{
    HKEY key = nullptr;
    if (!OpenOrCreateRunKey(HKEY_CURRENT_USER, RunKey, &key))
        return;
    RegDeleteValueA(key, valueName);
    RegCloseKey(key);
}
