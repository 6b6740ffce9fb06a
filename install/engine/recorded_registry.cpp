// Registry writes recorded in the run's journal before they are made.
#include "recorded_registry.h"

#include <cstring>

#include "registry_key.h"
#include "run_journal.h"

bool OpenOrCreateRecordedKey(HKEY root, const char* path, HKEY* key, bool* created)
{
    *key = nullptr;
    if (!RecordKeyCreated(root, path))
        return false;
    if (OpenOrCreateKey(root, path, KEY_ALL_ACCESS, key, created))
        return true;
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
}

LONG SetRecordedValue(HKEY root, const char* path, HKEY key, const char* name, DWORD type, const void* data,
                      DWORD size)
{
    if (!RecordValue(root, path, name))
        return static_cast<LONG>(GetLastError());
    return RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
}

LONG SetRecordedText(HKEY root, const char* path, HKEY key, const char* name, const char* text)
{
    return SetRecordedValue(root, path, key, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}
