// The installer's entry in Programs and Features (the uninstall entry).
#pragma once
#include <windows.h>

// Under HKEY_LOCAL_MACHINE: the parent key of every program's entry, the
// name of this one under it, and its whole path with the trailing backslash.
// All from package_layout.h.
extern const char UninstallParentKey[];  // UNINSTALL_PARENT_KEY
extern const char UninstallEntryName[];  // UNINSTALL_ENTRY_NAME
extern const char UninstallKey[];        // UNINSTALL_PARENT_KEY "\" UNINSTALL_ENTRY_NAME "\"
// Its "DisplayName", which the Windows Installer package's entry carries too.
extern const char UninstallDisplayName[];  // "Quortouch USB Touchscreen Driver"

// "<InstallDirectory>\Install.exe /u"; false when it does not fit.
bool FormatUninstallString(char (&text)[MAX_PATH]);

// Opens the entry, or creates it, and writes "DisplayName", "UninstallString"
// (not written at all when it does not fit) and the details. 0, or -3 when
// the key can neither be opened nor created; *created tells whether this
// call made the key.
int WriteUninstallEntry(bool* created);

// Deletes the entry's key (one without subkeys); the status as
// DeleteRegistrySubkey gives it.
LONG DeleteUninstallEntry();
