// Counting, reading, inserting and removing the restart queue's pairs by
// position, the strings untouched.
#include "queue_entries.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

// The offset of the pair at index, or of the list's end when index is the
// count; -1 beyond. A source without its destination ends the pairs.
long PairOffset(const RestartQueue* queue, int index)
{
    DWORD at = 0;
    for (int i = 0; i < index; ++i) {
        if (queue->Text == nullptr || at >= queue->Length)
            return -1;
        DWORD source = static_cast<DWORD>(wcslen(queue->Text + at)) + 1;
        if (at + source >= queue->Length)
            return -1;
        at += source + static_cast<DWORD>(wcslen(queue->Text + at + source)) + 1;
    }
    return static_cast<long>(at);
}

bool SamePath(const WCHAR* a, const WCHAR* b)
{
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_EQUAL;
}

}  // namespace

int CountQueuedPairs(const RestartQueue* queue)
{
    int count = 0;
    while (PairOffset(queue, count + 1) >= 0)
        ++count;
    return count;
}

bool QueuedPairAt(const RestartQueue* queue, int index, QueuedPair* pair)
{
    long at = PairOffset(queue, index);
    if (at < 0 || PairOffset(queue, index + 1) < 0)
        return false;
    pair->Source = queue->Text + at;
    pair->Destination = pair->Source + wcslen(pair->Source) + 1;
    return true;
}

bool InsertQueuedPair(RestartQueue* queue, int index, const WCHAR* source, const WCHAR* destination)
{
    long at = PairOffset(queue, index);
    if (at < 0)
        at = PairOffset(queue, CountQueuedPairs(queue));
    DWORD added = static_cast<DWORD>(wcslen(source) + wcslen(destination) + 2);
    // The pairs, the list's closing zero and one more.
    auto* text = static_cast<WCHAR*>(realloc(queue->Text, (queue->Length + added + 2) * sizeof(WCHAR)));
    if (text == nullptr)
        return false;
    queue->Text = text;
    memmove(text + at + added, text + at, (queue->Length - at) * sizeof(WCHAR));
    wcscpy(text + at, source);
    wcscpy(text + at + wcslen(source) + 1, destination);
    queue->Length += added;
    text[queue->Length] = L'\0';
    text[queue->Length + 1] = L'\0';
    return true;
}

bool RemoveQueuedPair(RestartQueue* queue, int index)
{
    long at = PairOffset(queue, index);
    long next = PairOffset(queue, index + 1);
    if (at < 0 || next < 0)
        return false;
    memmove(queue->Text + at, queue->Text + next, (queue->Length - next) * sizeof(WCHAR));
    queue->Length -= static_cast<DWORD>(next - at);
    queue->Text[queue->Length] = L'\0';
    return true;
}

int FindQueuedPair(const RestartQueue* queue, const WCHAR* source, const WCHAR* destination, int end)
{
    int found = -1;
    QueuedPair pair;
    for (int i = 0; i < end && QueuedPairAt(queue, i, &pair); ++i)
        if (wcscmp(pair.Source, source) == 0 && (destination == nullptr || wcscmp(pair.Destination, destination) == 0))
            found = i;
    return found;
}

bool QueuedForPath(const RestartQueue* queue, const char* path, int end)
{
    WCHAR wanted[MAX_PATH + 8];
    if (!QueuedForm(path, false, wanted))
        return false;
    QueuedPair pair;
    for (int i = 0; i < end && QueuedPairAt(queue, i, &pair); ++i) {
        bool deletion = pair.Destination[0] == L'\0';
        const WCHAR* concerned = deletion ? pair.Source : pair.Destination + (pair.Destination[0] == L'!' ? 1 : 0);
        if (SamePath(concerned, wanted))
            return true;
    }
    return false;
}

bool QueuedForm(const char* path, bool replaces, WCHAR (&text)[MAX_PATH + 8])
{
    const WCHAR* prefix = replaces ? L"!\\??\\" : L"\\??\\";
    size_t prefixLength = wcslen(prefix);
    wcscpy(text, prefix);
    return MultiByteToWideChar(CP_ACP, 0, path, -1, text + prefixLength,
                               static_cast<int>(MAX_PATH + 8 - prefixLength)) != 0;
}
