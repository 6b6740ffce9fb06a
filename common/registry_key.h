// Registry keys as every part of the package opens and deletes them.
#pragma once
#include <windows.h>

// Opens the key under root with full access (KEY_ALL_ACCESS); where that
// fails, creates it (an existing key is opened) asking createAccess. *created,
// when given, tells whether the key was made new. False, with no key, when
// both failed.
bool OpenOrCreateKey(HKEY root, const char* path, REGSAM createAccess, HKEY* key, bool* created = nullptr);

// True when the key under root can be opened for reading its values.
bool RegistryKeyPresent(HKEY root, const char* path);

// Opens the parent with full access and deletes its subkey of that name (one
// without subkeys of its own). The open's error status, else the status of
// closing the parent: a missing subkey is no error.
LONG DeleteRegistrySubkey(HKEY root, const char* parentPath, const char* subkeyName);
