// The restart queue's entries by position: each a pair of source and
// destination exactly as stored ("\??\C:\path"; "!\??\C:\path" replaces an
// existing file; an empty destination deletes the source). A run's journal
// keeps the pairs it takes out or adds with where they stood, so that an
// undo puts the queue back string for string.
#pragma once
#include <windows.h>

#include "restart_queue.h"

struct QueuedPair {
    const WCHAR* Source;
    const WCHAR* Destination;
};

int CountQueuedPairs(const RestartQueue* queue);
// False when there is no pair at index.
bool QueuedPairAt(const RestartQueue* queue, int index, QueuedPair* pair);
// Puts the pair in before the one at index (at the end when index is the
// count or beyond). False when memory ran out.
bool InsertQueuedPair(RestartQueue* queue, int index, const WCHAR* source, const WCHAR* destination);
bool RemoveQueuedPair(RestartQueue* queue, int index);
// The index of the last pair from index 0 to before end whose source and
// destination are exactly these (source only when destination is null); -1
// when none.
int FindQueuedPair(const RestartQueue* queue, const WCHAR* source, const WCHAR* destination, int end);
// True when a pair before end replaces the file at path (ANSI, without
// "\??\") or deletes it.
bool QueuedForPath(const RestartQueue* queue, const char* path, int end);
// "\??\<path>" (with "!" in front for a replacement's destination) as UTF-16;
// false when it would not fit.
bool QueuedForm(const char* path, bool replaces, WCHAR (&text)[MAX_PATH + 8]);
