// The restart queue: what Windows renames, replaces or deletes when it next
// starts. It is the value "PendingFileRenameOperations" under
// HKLM\System\CurrentControlSet\Control\Session Manager, a list of pairs of
// source and destination, each "\??\C:\path"; a destination that starts with
// "!" replaces an existing file, an empty destination deletes the source.
// MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT appends to it; the functions
// here read it, take entries out and write it back.
#pragma once
#include <windows.h>

// The value's strings as stored (UTF-16, each zero-terminated, one more zero
// after the last), so that entries of other programs go back unchanged.
struct RestartQueue {
    WCHAR* Text;   // null while empty
    DWORD Length;  // characters in use, the closing zero included; 0 while empty
};

// A missing value reads as an empty queue. False when the value is there but
// could not be read: the queue must then be left alone.
bool ReadRestartQueue(RestartQueue* queue);
void FreeRestartQueue(RestartQueue* queue);

// One entry that concerns a path, as a filter sees it: where it stands among
// the pairs left, its strings as stored, its source without "\??\" (ANSI),
// and whether it deletes the path itself.
struct QueuedEntry {
    int Position;
    const WCHAR* Source;
    const WCHAR* Destination;
    const char* SourcePath;
    bool Deletion;
};

// Decides about one entry that concerns the path; true takes it out. A
// caller that keeps a record of what it takes out makes it here, before the
// entry goes.
using QueuedEntryFilter = bool (*)(const QueuedEntry& entry, void* context);

// Takes out the pairs that put a file at path (a replacement or rename whose
// destination is path) or that delete path itself, each as the filter
// decides (every one without a filter). Paths compare without regard to
// letter case, in the "\??\" form. Returns the number taken out.
int TakeOutQueuedEntries(RestartQueue* queue, const char* path, QueuedEntryFilter filter, void* context);

// Writes the queue back, or deletes the value when no pair is left.
bool WriteRestartQueue(const RestartQueue* queue);
