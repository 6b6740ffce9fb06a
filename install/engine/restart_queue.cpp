// Reading, taking entries out of and writing back the restart queue.
#include "restart_queue.h"

#include <cstdlib>
#include <cstring>

#include "bounded_format.h"

namespace {

const char SessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char PendingValueName[] = "PendingFileRenameOperations";
const WCHAR PendingValueNameW[] = L"PendingFileRenameOperations";
const char NtPrefix[] = "\\??\\";

// An entry's path as ANSI text; false when it does not fit.
bool ToAnsi(const WCHAR* text, char (&ansi)[MAX_PATH + 8])
{
    return WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, nullptr, nullptr) != 0;
}

bool SamePath(const WCHAR* entry, const char* wanted)
{
    char ansi[MAX_PATH + 8];
    return ToAnsi(entry, ansi) && lstrcmpiA(ansi, wanted) == 0;
}

const char* WithoutNtPrefix(const char* path)
{
    return strncmp(path, NtPrefix, 4) == 0 ? path + 4 : path;
}

// Characters of the pairs before the list's closing zero. A deletion's
// destination is an empty string, so the list ends where a pair's source
// would start and is empty.
DWORD ListLength(const WCHAR* text, DWORD available)
{
    DWORD i = 0;
    while (i < available && text[i] != L'\0') {
        i += static_cast<DWORD>(wcslen(text + i)) + 1;
        if (i < available)
            i += static_cast<DWORD>(wcslen(text + i)) + 1;
    }
    return i < available ? i : available;
}

}  // namespace

bool ReadRestartQueue(RestartQueue* queue)
{
    queue->Text = nullptr;
    queue->Length = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExW(key, PendingValueNameW, nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
        RegCloseKey(key);
        return true;
    }
    // Two zeros more than the data: a list that lacks its closing zeros
    // still ends inside the buffer.
    DWORD available = size / sizeof(WCHAR);
    WCHAR* text = status == ERROR_SUCCESS && type == REG_MULTI_SZ
                      ? static_cast<WCHAR*>(calloc(available + 2, sizeof(WCHAR)))
                      : nullptr;
    if (text != nullptr &&
        RegQueryValueExW(key, PendingValueNameW, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
            ERROR_SUCCESS) {
        free(text);
        text = nullptr;
    }
    RegCloseKey(key);
    if (text == nullptr)
        return false;
    queue->Text = text;
    queue->Length = ListLength(text, available);
    return true;
}

void FreeRestartQueue(RestartQueue* queue)
{
    free(queue->Text);
    queue->Text = nullptr;
    queue->Length = 0;
}

int TakeOutQueuedEntries(RestartQueue* queue, const char* path, QueuedEntryFilter filter, void* context)
{
    char wanted[MAX_PATH + 8];
    if (queue->Text == nullptr || !FormatInto(wanted, "%s%s", NtPrefix, path))
        return 0;
    int taken = 0;
    int position = 0;
    DWORD i = 0;
    while (i < queue->Length) {
        WCHAR* source = queue->Text + i;
        DWORD sourceChars = static_cast<DWORD>(wcslen(source)) + 1;
        // A source without its destination ends the pairs; it stays as it is.
        if (i + sourceChars >= queue->Length)
            break;
        WCHAR* destination = source + sourceChars;
        DWORD pairChars = sourceChars + static_cast<DWORD>(wcslen(destination)) + 1;
        bool deletion = destination[0] == L'\0';
        const WCHAR* concerned = deletion ? source : destination + (destination[0] == L'!' ? 1 : 0);
        char sourceText[MAX_PATH + 8];
        if (SamePath(concerned, wanted) && ToAnsi(source, sourceText) &&
            (filter == nullptr ||
             filter(QueuedEntry{position, source, destination, WithoutNtPrefix(sourceText), deletion}, context))) {
            memmove(source, source + pairChars, (queue->Length - i - pairChars) * sizeof(WCHAR));
            queue->Length -= pairChars;
            queue->Text[queue->Length] = L'\0';
            ++taken;
            continue;
        }
        i += pairChars;
        ++position;
    }
    return taken;
}

bool WriteRestartQueue(const RestartQueue* queue)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    LONG status;
    if (queue->Length == 0) {
        status = RegDeleteValueA(key, PendingValueName);
        if (status == ERROR_FILE_NOT_FOUND)
            status = ERROR_SUCCESS;
    } else {
        // The strings and the list's closing zero.
        status = RegSetValueExW(key, PendingValueNameW, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(queue->Text),
                                (queue->Length + 1) * sizeof(WCHAR));
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}
