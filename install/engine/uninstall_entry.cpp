// The uninstall entry in Programs and Features: its key, written at an
// install and deleted at a removal.
#include "uninstall_entry.h"

#include <cstring>

#include "bounded_format.h"
#include "install_paths.h"
#include "package_layout.h"
#include "recorded_registry.h"
#include "registry_key.h"
#include "uninstall_details.h"

const char UninstallParentKey[] = UNINSTALL_PARENT_KEY;
const char UninstallEntryName[] = UNINSTALL_ENTRY_NAME;
const char UninstallKey[] = UNINSTALL_PARENT_KEY "\\" UNINSTALL_ENTRY_NAME "\\";
const char UninstallDisplayName[] = "Quortouch USB Touchscreen Driver";

namespace {

// REG_SZ with the terminating zero counted in the size, recorded in the
// run's journal first.
void SetText(HKEY key, const char* name, const char* text)
{
    SetRecordedText(HKEY_LOCAL_MACHINE, UninstallKey, key, name, text);
}

}  // namespace

bool FormatUninstallString(char (&text)[MAX_PATH])
{
    text[0] = '\0';
    return InstallDirectory[0] != '\0' && FormatInto(text, "%s\\" INSTALLER_FILE_NAME " /u", InstallDirectory);
}

int WriteUninstallEntry(bool* created)
{
    HKEY key = nullptr;
    if (!OpenOrCreateRecordedKey(HKEY_LOCAL_MACHINE, UninstallKey, &key, created))
        return -3;
    char text[MAX_PATH];
    if (FormatInto(text, "%s", UninstallDisplayName))
        SetText(key, "DisplayName", text);
    if (FormatUninstallString(text))
        SetText(key, "UninstallString", text);
    WriteUninstallDetails(key, UninstallKey);
    RegCloseKey(key);
    return 0;
}

LONG DeleteUninstallEntry()
{
    return DeleteRegistrySubkey(HKEY_LOCAL_MACHINE, UninstallParentKey, UninstallEntryName);
}
