// The run journal: its records on disk, their undo and the commit.
//
// A record is [size][type][field count]{[length][bytes]}...[check], every
// number four bytes little-endian; size counts the bytes from type to the
// last field, check is an FNV-1a hash of everything before it. Reading stops
// at the first record that does not hold together: the one a kill tore.
#include "run_journal.h"

#include <sddl.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "action_log.h"
#include "autostart.h"
#include "bounded_format.h"
#include "files_in_use.h"
#include "queue_entries.h"
#include "registry_key.h"
#include "restart_queue.h"

const char JournalFolderName[] = "QuortouchJournal";
const char JournalExtension[] = ".qtj";

namespace {

enum RecordType : DWORD {
    RunStarted = 1,
    FileCreated,
    FileOverwritten,
    FileStaged,
    QueueEntryAdded,
    QueueEntryTakenOut,
    KeyCreated,
    ValueWritten,
    AccessListReplaced,
    DriverServiceChanged,
    FolderCreated,
    ShortcutWritten,
};

// Roots of registry paths; the current user's is kept with its SID.
enum RootId : DWORD { LocalMachineRoot = 1, CurrentUserRoot = 2, UsersRoot = 3 };

constexpr int MaxFields = 12;
// Larger data (a shortcut, a value) is not recorded: the record fails.
constexpr DWORD MaxFieldBytes = 1024 * 1024;
constexpr DWORD MaxRecordBytes = 4 * MaxFieldBytes;

struct Field {
    const void* Data;
    DWORD Size;
};

struct Record {
    DWORD Type;
    int Count;
    const BYTE* Data[MaxFields];
    DWORD Size[MaxFields];
};

// The open journal.
HANDLE JournalFile = INVALID_HANDLE_VALUE;
// While the journal is undone or committed, what that does is not recorded.
bool Finishing = false;
char JournalPath[MAX_PATH];
// Pairs in the restart queue when the run started: entries before this
// position are older than the run.
DWORD QueuePairsAtStart = 0;

Field Text(const char* text)
{
    return {text, static_cast<DWORD>(strlen(text))};
}
Field Wide(const WCHAR* text)
{
    return {text, static_cast<DWORD>(wcslen(text) * sizeof(WCHAR))};
}
Field Number(const DWORD& value)
{
    return {&value, sizeof value};
}

DWORD Check(const BYTE* bytes, DWORD size)
{
    DWORD hash = 2166136261u;
    for (DWORD i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

void PutNumber(BYTE*& at, DWORD value)
{
    memcpy(at, &value, sizeof value);
    at += sizeof value;
}

DWORD GetNumber(const BYTE* at)
{
    DWORD value;
    memcpy(&value, at, sizeof value);
    return value;
}

bool AppendRecord(DWORD type, const Field* fields, int count)
{
    if (JournalFile == INVALID_HANDLE_VALUE || Finishing)
        return true;
    DWORD size = 2 * sizeof(DWORD);
    for (int i = 0; i < count; ++i) {
        if (fields[i].Size > MaxFieldBytes) {
            SetLastError(ERROR_BUFFER_OVERFLOW);
            return false;
        }
        size += sizeof(DWORD) + fields[i].Size;
    }
    DWORD total = size + 2 * sizeof(DWORD);
    auto* bytes = static_cast<BYTE*>(malloc(total));
    if (bytes == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    BYTE* at = bytes;
    PutNumber(at, size);
    PutNumber(at, type);
    PutNumber(at, static_cast<DWORD>(count));
    for (int i = 0; i < count; ++i) {
        PutNumber(at, fields[i].Size);
        if (fields[i].Size > 0)
            memcpy(at, fields[i].Data, fields[i].Size);
        at += fields[i].Size;
    }
    PutNumber(at, Check(bytes, total - sizeof(DWORD)));
    DWORD written = 0;
    bool whole = WriteFile(JournalFile, bytes, total, &written, nullptr) && written == total;
    DWORD error = GetLastError();
    free(bytes);
    if (!whole)
        SetLastError(error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT);
    return whole;
}

// The last-error code as the caller left it: a record reads the state it
// keeps (missing keys, values and services, buffers sized by a first call),
// and a recorded change leaves the code as it was, so that a failure box
// after the change still shows the change's own code.
struct CallerLastError {
    DWORD Saved = GetLastError();
    bool Keep(bool recorded) const
    {
        if (recorded)
            SetLastError(Saved);
        return recorded;
    }
};

// The record at bytes, when it holds together in the available bytes; its
// length in *length.
bool DecodeRecord(const BYTE* bytes, DWORD available, Record* record, DWORD* length)
{
    if (available < 4 * sizeof(DWORD))
        return false;
    DWORD size = GetNumber(bytes);
    if (size < 2 * sizeof(DWORD) || size > MaxRecordBytes || size > available - 2 * sizeof(DWORD))
        return false;
    *length = size + 2 * sizeof(DWORD);
    if (GetNumber(bytes + sizeof(DWORD) + size) != Check(bytes, sizeof(DWORD) + size))
        return false;
    record->Type = GetNumber(bytes + 4);
    DWORD count = GetNumber(bytes + 8);
    if (count > MaxFields)
        return false;
    record->Count = static_cast<int>(count);
    const BYTE* at = bytes + 12;
    const BYTE* end = bytes + sizeof(DWORD) + size;
    for (int i = 0; i < record->Count; ++i) {
        if (end - at < 4)
            return false;
        DWORD fieldSize = GetNumber(at);
        at += 4;
        if (static_cast<DWORD>(end - at) < fieldSize)
            return false;
        record->Data[i] = at;
        record->Size[i] = fieldSize;
        at += fieldSize;
    }
    return at == end;
}

// The whole file of the open journal, and how many of its bytes are whole
// records.
struct JournalImage {
    BYTE* Bytes;
    DWORD Size;
    DWORD WholeBytes;
};

bool ReadJournal(JournalImage* image)
{
    image->Bytes = nullptr;
    image->Size = 0;
    image->WholeBytes = 0;
    LARGE_INTEGER size = {};
    LARGE_INTEGER start = {};
    if (!GetFileSizeEx(JournalFile, &size) || size.QuadPart > 64 * static_cast<LONGLONG>(MaxRecordBytes) ||
        !SetFilePointerEx(JournalFile, start, nullptr, FILE_BEGIN))
        return false;
    image->Bytes = static_cast<BYTE*>(malloc(static_cast<size_t>(size.QuadPart) + 1));
    DWORD read = 0;
    if (image->Bytes == nullptr ||
        !ReadFile(JournalFile, image->Bytes, static_cast<DWORD>(size.QuadPart), &read, nullptr)) {
        free(image->Bytes);
        image->Bytes = nullptr;
        return false;
    }
    image->Size = read;
    Record record;
    DWORD length = 0;
    while (DecodeRecord(image->Bytes + image->WholeBytes, image->Size - image->WholeBytes, &record, &length))
        image->WholeBytes += length;
    return true;
}

// The records' offsets, for walking them backwards.
int RecordOffsets(const JournalImage& image, DWORD** offsets)
{
    int count = 0;
    Record record;
    DWORD length = 0;
    for (DWORD at = 0; DecodeRecord(image.Bytes + at, image.WholeBytes - at, &record, &length); at += length)
        ++count;
    *offsets = static_cast<DWORD*>(calloc(count + 1, sizeof(DWORD)));
    if (*offsets == nullptr)
        return 0;
    int i = 0;
    for (DWORD at = 0; i < count && DecodeRecord(image.Bytes + at, image.WholeBytes - at, &record, &length);
         at += length)
        (*offsets)[i++] = at;
    return count;
}

DWORD NumberAt(const Record& record, int i)
{
    return i < record.Count && record.Size[i] == sizeof(DWORD) ? GetNumber(record.Data[i]) : 0;
}

bool TextAt(const Record& record, int i, char* text, size_t size)
{
    if (i >= record.Count || record.Size[i] >= size)
        return false;
    memcpy(text, record.Data[i], record.Size[i]);
    text[record.Size[i]] = '\0';
    return true;
}

// A zero-terminated copy of a UTF-16 field, which the caller frees.
WCHAR* WideAt(const Record& record, int i)
{
    if (i >= record.Count)
        return nullptr;
    auto* text = static_cast<WCHAR*>(calloc(record.Size[i] / sizeof(WCHAR) + 1, sizeof(WCHAR)));
    if (text != nullptr)
        memcpy(text, record.Data[i], record.Size[i] / sizeof(WCHAR) * sizeof(WCHAR));
    return text;
}

// --- the state before a change -------------------------------------------------

// The SID of the user the process runs as, as text; "" when unknown.
const char* CurrentUserSid()
{
    static char sid[192];
    if (sid[0] != '\0')
        return sid;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return sid;
    BYTE buffer[256];
    DWORD size = 0;
    char* text = nullptr;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
        FormatInto(sid, "%s", text);
        LocalFree(text);
    }
    CloseHandle(token);
    return sid;
}

DWORD RootIdOf(HKEY root)
{
    if (root == HKEY_CURRENT_USER)
        return CurrentUserRoot;
    return root == HKEY_USERS ? UsersRoot : LocalMachineRoot;
}

// The root and full path of a recorded key as this process reaches it: the
// recording user's hive through HKEY_USERS when another user undoes it.
// False when it can't be reached.
bool ResolveKey(DWORD rootId, const char* sid, const char* path, HKEY* root, char (&fullPath)[1024])
{
    if (rootId == LocalMachineRoot || rootId == UsersRoot) {
        *root = rootId == UsersRoot ? HKEY_USERS : HKEY_LOCAL_MACHINE;
        return FormatInto(fullPath, "%s", path);
    }
    if (strcmp(sid, CurrentUserSid()) == 0) {
        *root = HKEY_CURRENT_USER;
        return FormatInto(fullPath, "%s", path);
    }
    *root = HKEY_USERS;
    return sid[0] != '\0' && FormatInto(fullPath, "%s\\%s", sid, path);
}

const char* RootName(DWORD rootId)
{
    return rootId == CurrentUserRoot ? "HKCU" : rootId == UsersRoot ? "HKU" : "HKLM";
}

// A registry record's key: the first three fields (root, SID, path), the
// key as this process reaches it, and "HKLM\<path>[\<name>]" for the log.
struct RecordedKey {
    HKEY Root;
    char Path[1024];
    char Full[1024];
    char Shown[1400];
};

bool ReadRecordedKey(const Record& record, RecordedKey* key, const char* name = nullptr)
{
    char sid[192];
    DWORD rootId = NumberAt(record, 0);
    if (!TextAt(record, 1, sid, sizeof sid) || !TextAt(record, 2, key->Path, sizeof key->Path) ||
        !ResolveKey(rootId, sid, key->Path, &key->Root, key->Full))
        return false;
    if (!FormatInto(key->Shown, "%s\\%s%s%s", RootName(rootId), key->Path, name != nullptr ? "\\" : "",
                    name == nullptr ? "" : name[0] ? name : "(default)"))
        FormatInto(key->Shown, "%s\\...", RootName(rootId));
    return true;
}

// --- undoing one record --------------------------------------------------------

bool ReportUndo(const char* what, const char* object, DWORD error)
{
    LogAction(what, object, error);
    return error == ERROR_SUCCESS;
}

bool UndoFileCreated(const Record& record)
{
    char path[MAX_PATH];
    if (!TextAt(record, 0, path, sizeof path))
        return false;
    SetFileAttributesA(path, 0);
    if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)
        return ReportUndo("undo: delete", path, ERROR_SUCCESS);
    DWORD error = GetLastError();
    if (IsInUseError(error) && DeleteAtRestart(path))
        return ReportUndo("undo: delete at the restart", path, ERROR_SUCCESS);
    return ReportUndo("undo: delete", path, error);
}

bool EditQueue(bool (*edit)(RestartQueue* queue, const void* context), const void* context)
{
    RestartQueue queue;
    if (!ReadRestartQueue(&queue))
        return false;
    bool done = edit(&queue, context) && WriteRestartQueue(&queue);
    FreeRestartQueue(&queue);
    return done;
}

struct DelayedRestore {
    WCHAR Kept[MAX_PATH + 8];
    WCHAR Target[MAX_PATH + 8];
    const char* TargetAnsi;
    bool Superseded;
};

// The kept copy back over its target at the restart, ahead of every entry
// made since the run started; or, when an older entry replaces or deletes
// the target anyway, the kept copy deleted at the restart instead.
bool QueueDelayedRestore(RestartQueue* queue, const void* context)
{
    auto* restore = static_cast<DelayedRestore*>(const_cast<void*>(context));
    int start = static_cast<int>(QueuePairsAtStart);
    int count = CountQueuedPairs(queue);
    restore->Superseded = QueuedForPath(queue, restore->TargetAnsi, start < count ? start : count);
    if (restore->Superseded)
        return InsertQueuedPair(queue, count, restore->Kept, L"");
    return InsertQueuedPair(queue, start, restore->Kept, restore->Target);
}

bool UndoFileOverwritten(const Record& record)
{
    char target[MAX_PATH], kept[MAX_PATH];
    if (!TextAt(record, 0, target, sizeof target) || !TextAt(record, 1, kept, sizeof kept))
        return false;
    // Gone: already back in place (or never made).
    if (GetFileAttributesA(kept) == INVALID_FILE_ATTRIBUTES)
        return true;
    SetFileAttributesA(target, 0);
    if (MoveFileExA(kept, target, MOVEFILE_REPLACE_EXISTING))
        return ReportUndo("undo: restore", target, ERROR_SUCCESS);
    DWORD error = GetLastError();
    LogAction("undo: restore now", target, error);
    // The kept copy stays until the target holds its bytes (an overwrite
    // that did not happen because the target was in use leaves them there).
    if (SameContent(kept, target)) {
        SetFileAttributesA(kept, 0);
        if (!DeleteFileA(kept))
            MoveFileExA(kept, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return ReportUndo("undo: unchanged", target, ERROR_SUCCESS);
    }
    DelayedRestore restore = {};
    restore.TargetAnsi = target;
    if (!QueuedForm(kept, false, restore.Kept) || !QueuedForm(target, true, restore.Target) ||
        !EditQueue(QueueDelayedRestore, &restore))
        return ReportUndo("undo: restore at the restart", target, GetLastError() ? GetLastError() : error);
    return ReportUndo(restore.Superseded ? "undo: kept copy deleted at the restart (an older entry replaces)"
                                         : "undo: restore at the restart",
                      target, ERROR_SUCCESS);
}

bool TakeOutBySource(RestartQueue* queue, const void* context)
{
    int at = FindQueuedPair(queue, static_cast<const WCHAR*>(context), nullptr, CountQueuedPairs(queue));
    return at < 0 || RemoveQueuedPair(queue, at);
}

bool UndoFileStaged(const Record& record)
{
    char target[MAX_PATH], staged[MAX_PATH];
    WCHAR source[MAX_PATH + 8];
    if (!TextAt(record, 0, target, sizeof target) || !TextAt(record, 1, staged, sizeof staged) || !QueuedForm(staged, false, source))
        return false;
    if (!EditQueue(TakeOutBySource, source))
        return ReportUndo("undo: take out the replacement of", target, GetLastError());
    SetFileAttributesA(staged, 0);
    if (!DeleteFileA(staged) && GetFileAttributesA(staged) != INVALID_FILE_ATTRIBUTES)
        DeleteAtRestart(staged);
    return ReportUndo("undo: take out the replacement of", target, ERROR_SUCCESS);
}

struct QueuedPairText {
    int Position;
    WCHAR* Source;
    WCHAR* Destination;
};

bool TakeOutAdded(RestartQueue* queue, const void* context)
{
    auto* pair = static_cast<const QueuedPairText*>(context);
    int at = FindQueuedPair(queue, pair->Source, pair->Destination, CountQueuedPairs(queue));
    return at < 0 || RemoveQueuedPair(queue, at);
}

// Back where it stood, unless it is there already (an undo done twice).
bool PutBackTakenOut(RestartQueue* queue, const void* context)
{
    auto* pair = static_cast<const QueuedPairText*>(context);
    QueuedPair there;
    if (QueuedPairAt(queue, pair->Position, &there) && wcscmp(there.Source, pair->Source) == 0 &&
        wcscmp(there.Destination, pair->Destination) == 0)
        return true;
    return InsertQueuedPair(queue, pair->Position, pair->Source, pair->Destination);
}

bool UndoQueueEntry(const Record& record, bool added)
{
    QueuedPairText pair = {};
    int first = added ? 0 : 1;
    pair.Position = static_cast<int>(NumberAt(record, 0));
    pair.Source = WideAt(record, first);
    pair.Destination = WideAt(record, first + 1);
    char source[MAX_PATH + 8] = "?";
    bool done = pair.Source != nullptr && pair.Destination != nullptr &&
                EditQueue(added ? TakeOutAdded : PutBackTakenOut, &pair);
    DWORD error = done ? ERROR_SUCCESS : GetLastError() ? GetLastError() : ERROR_INVALID_DATA;
    if (pair.Source != nullptr)
        WideCharToMultiByte(CP_ACP, 0, pair.Source, -1, source, sizeof source, nullptr, nullptr);
    free(pair.Source);
    free(pair.Destination);
    return ReportUndo(added ? "undo: take out the queue entry of" : "undo: put back the queue entry of", source, error);
}

LONG DeleteKeyTree(HKEY root, const char* path)
{
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS)
        return status;
    char name[256];
    char child[1024];
    for (;;) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            !FormatInto(child, "%s\\%s", path, name) || DeleteKeyTree(root, child) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    return RegDeleteKeyA(root, path);
}

bool UndoKeyCreated(const Record& record)
{
    RecordedKey key;
    if (!ReadRecordedKey(record, &key))
        return false;
    LONG status = DeleteKeyTree(key.Root, key.Full);
    return ReportUndo("undo: delete key", key.Shown, status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status);
}

bool UndoValueWritten(const Record& record)
{
    char name[256];
    RecordedKey recorded;
    if (!TextAt(record, 3, name, sizeof name) || record.Count < 7 || !ReadRecordedKey(record, &recorded, name))
        return false;
    HKEY root = recorded.Root;
    const char* full = recorded.Full;
    const char* shown = recorded.Shown;
    HKEY key = nullptr;
    LONG status;
    WCHAR wideName[256];
    if (MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 256) == 0)
        return false;
    // The data as stored: strings in UTF-16, with or without their zero.
    if (NumberAt(record, 4) != 0) {
        status = RegCreateKeyExA(root, full, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        if (status == ERROR_SUCCESS)
            status = RegSetValueExW(key, wideName, 0, NumberAt(record, 5), record.Data[6], record.Size[6]);
    } else {
        status = RegOpenKeyExA(root, full, 0, KEY_SET_VALUE, &key);
        if (status == ERROR_SUCCESS)
            status = RegDeleteValueW(key, wideName);
        // Gone already, with its key or alone.
        if (status == ERROR_FILE_NOT_FOUND)
            status = ERROR_SUCCESS;
    }
    if (key != nullptr)
        RegCloseKey(key);
    return ReportUndo("undo: put back value", shown, status);
}

bool UndoAccessList(const Record& record)
{
    RecordedKey recorded;
    if (record.Count < 4 || !ReadRecordedKey(record, &recorded))
        return false;
    const char* shown = recorded.Shown;
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(recorded.Root, recorded.Full, 0, WRITE_DAC, &key);
    // A key that is gone took its access list with it.
    if (status == ERROR_FILE_NOT_FOUND)
        return ReportUndo("undo: put back the access list of", shown, ERROR_SUCCESS);
    if (status == ERROR_SUCCESS) {
        status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION,
                                   const_cast<PSECURITY_DESCRIPTOR>(static_cast<const void*>(record.Data[3])));
        RegCloseKey(key);
    }
    return ReportUndo("undo: put back the access list of", shown, status);
}

// The fields of a service's configuration record, after its name and
// whether it existed.
enum ServiceField { ServiceType = 2, StartType, ErrorControl, BinaryPath, LoadOrderGroup, Dependencies, StartName,
                    DisplayName };

bool UndoDriverService(const Record& record)
{
    char name[256], binary[1024], group[256], startName[256], display[256];
    if (!TextAt(record, 0, name, sizeof name) || record.Count <= DisplayName || !TextAt(record, BinaryPath, binary, sizeof binary) ||
        !TextAt(record, LoadOrderGroup, group, sizeof group) || !TextAt(record, StartName, startName, sizeof startName) ||
        !TextAt(record, DisplayName, display, sizeof display))
        return false;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr)
        return ReportUndo("undo: service", name, GetLastError());
    SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
    DWORD error = ERROR_SUCCESS;
    // Dependencies as stored: a list of strings with its closing zero.
    auto* dependencies = static_cast<char*>(calloc(record.Size[Dependencies] + 2, 1));
    if (dependencies != nullptr)
        memcpy(dependencies, record.Data[Dependencies], record.Size[Dependencies]);
    const char* action = "undo: restore service configuration";
    if (NumberAt(record, 1) == 0) {
        action = "undo: delete service";
        if (service != nullptr) {
            SERVICE_STATUS status;
            ControlService(service, SERVICE_CONTROL_STOP, &status);
            if (!DeleteService(service) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE)
                error = GetLastError();
        }
    } else if (service != nullptr) {
        // What the configuration did not have stays unwritten (an empty
        // group would add a value of its own).
        bool noDependencies = record.Size[Dependencies] <= 1;
        if (!ChangeServiceConfigA(service, NumberAt(record, ServiceType), NumberAt(record, StartType),
                                  NumberAt(record, ErrorControl), binary, group[0] ? group : nullptr, nullptr,
                                  noDependencies ? nullptr : dependencies, startName[0] ? startName : nullptr,
                                  nullptr, display[0] ? display : nullptr))
            error = GetLastError();
    } else {
        action = "undo: register service again";
        service = CreateServiceA(manager, name, display, SERVICE_ALL_ACCESS, NumberAt(record, ServiceType),
                                 NumberAt(record, StartType), NumberAt(record, ErrorControl), binary,
                                 group[0] ? group : nullptr, nullptr, dependencies, startName[0] ? startName : nullptr,
                                 nullptr);
        if (service == nullptr)
            error = GetLastError();
    }
    free(dependencies);
    if (service != nullptr)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return ReportUndo(action, name, error);
}

bool UndoFolderCreated(const Record& record)
{
    char path[MAX_PATH];
    if (!TextAt(record, 0, path, sizeof path))
        return false;
    if (RemoveDirectoryA(path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return ReportUndo("undo: remove folder", path, ERROR_SUCCESS);
    return ReportUndo("undo: remove folder", path, GetLastError());
}

bool UndoShortcut(const Record& record)
{
    char path[MAX_PATH];
    if (!TextAt(record, 0, path, sizeof path) || record.Count < 3)
        return false;
    SetFileAttributesA(path, 0);
    if (NumberAt(record, 1) == 0) {
        if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)
            return ReportUndo("undo: delete shortcut", path, ERROR_SUCCESS);
        return ReportUndo("undo: delete shortcut", path, GetLastError());
    }
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool whole = file != INVALID_HANDLE_VALUE && WriteFile(file, record.Data[2], record.Size[2], &written, nullptr) &&
                 written == record.Size[2];
    DWORD error = whole ? ERROR_SUCCESS : GetLastError();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return ReportUndo("undo: put back shortcut", path, error);
}

bool UndoRecord(const Record& record)
{
    switch (record.Type) {
    case FileCreated: return UndoFileCreated(record);
    case FileOverwritten: return UndoFileOverwritten(record);
    case FileStaged: return UndoFileStaged(record);
    case QueueEntryAdded: return UndoQueueEntry(record, true);
    case QueueEntryTakenOut: return UndoQueueEntry(record, false);
    case KeyCreated: return UndoKeyCreated(record);
    case ValueWritten: return UndoValueWritten(record);
    case AccessListReplaced: return UndoAccessList(record);
    case DriverServiceChanged: return UndoDriverService(record);
    case FolderCreated: return UndoFolderCreated(record);
    case ShortcutWritten: return UndoShortcut(record);
    default: return true;
    }
}

// --- commit ---------------------------------------------------------------------

void DeleteNowOrLater(const char* path, const char* what)
{
    SetFileAttributesA(path, 0);
    if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND)
        return;
    DWORD error = GetLastError();
    if (!IsInUseError(error) || !DeleteAtRestart(path))
        LogAction(what, path, error);
}

void CommitRecord(const Record& record)
{
    char path[MAX_PATH + 8];
    if (record.Type == FileOverwritten && TextAt(record, 1, path, sizeof path)) {
        DeleteNowOrLater(path, "commit: delete kept copy");
    } else if (record.Type == QueueEntryTakenOut && NumberAt(record, 3) != 0) {
        WCHAR* source = WideAt(record, 1);
        // The staged copy of a replacement that no longer happens.
        if (source != nullptr && wcsncmp(source, L"\\??\\", 4) == 0 &&
            WideCharToMultiByte(CP_ACP, 0, source + 4, -1, path, sizeof path, nullptr, nullptr) != 0)
            DeleteNowOrLater(path, "commit: delete staged copy");
        free(source);
    }
}

// --- the open journal's end ---------------------------------------------------------

// Empties the journal (an empty one undoes nothing, should another process
// open it before it goes), closes and deletes it, and the wizard's folder
// when it is empty.
void DeleteOpenJournal()
{
    LARGE_INTEGER start = {};
    SetFilePointerEx(JournalFile, start, nullptr, FILE_BEGIN);
    SetEndOfFile(JournalFile);
    CloseHandle(JournalFile);
    JournalFile = INVALID_HANDLE_VALUE;
    DeleteFileA(JournalPath);
    char folder[MAX_PATH];
    char* slash = strrchr(JournalPath, '\\');
    if (slash != nullptr && JournalFolderPath(folder) && static_cast<size_t>(slash - JournalPath) == strlen(folder) &&
        _strnicmp(JournalPath, folder, strlen(folder)) == 0)
        RemoveDirectoryA(folder);
    JournalPath[0] = '\0';
}

bool FinishOpenJournal(bool undo)
{
    if (JournalFile == INVALID_HANDLE_VALUE)
        return true;
    JournalImage image;
    DWORD* offsets = nullptr;
    if (!ReadJournal(&image)) {
        LogAction(undo ? "undo: read journal" : "commit: read journal", JournalPath, GetLastError());
        CloseRunJournal();
        return false;
    }
    int count = RecordOffsets(image, &offsets);
    bool whole = true;
    Finishing = true;
    Record record;
    DWORD length = 0;
    for (int k = 0; k < count; ++k) {
        int i = undo ? count - 1 - k : k;
        if (!DecodeRecord(image.Bytes + offsets[i], image.WholeBytes - offsets[i], &record, &length))
            continue;
        if (record.Type == RunStarted)
            QueuePairsAtStart = NumberAt(record, 2);
        else if (undo && !UndoRecord(record))
            whole = false;
        else if (!undo)
            CommitRecord(record);
    }
    Finishing = false;
    free(offsets);
    free(image.Bytes);
    LogAction(undo ? "journal undone" : "journal committed", JournalPath, whole ? ERROR_SUCCESS : ERROR_INVALID_DATA);
    DeleteOpenJournal();
    return whole;
}

// The kind and owner of the open journal from its first record; false when
// it has none (made by a run killed at once).
bool ReadRunStarted(DWORD* kind, DWORD* owner)
{
    JournalImage image;
    if (!ReadJournal(&image))
        return false;
    Record record;
    DWORD length = 0;
    bool found = DecodeRecord(image.Bytes, image.WholeBytes, &record, &length) && record.Type == RunStarted;
    if (found) {
        *kind = NumberAt(record, 0);
        *owner = NumberAt(record, 1);
        QueuePairsAtStart = NumberAt(record, 2);
    }
    free(image.Bytes);
    return found;
}

HANDLE OpenExclusively(const char* path, DWORD disposition)
{
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Opens an existing journal for its undo or commit; true when there is
// none.
bool OpenToFinish(const char* path, bool* opened)
{
    *opened = false;
    if (JournalFile != INVALID_HANDLE_VALUE)
        CloseRunJournal();
    JournalFile = OpenExclusively(path, OPEN_EXISTING);
    if (JournalFile == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    FormatInto(JournalPath, "%s", path);
    *opened = true;
    return true;
}

}  // namespace

bool JournalFolderPath(char (&path)[MAX_PATH])
{
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    return length != 0 && length < sizeof windows && FormatInto(path, "%s\\%s", windows, JournalFolderName);
}

bool StartRunJournal(JournalKind kind)
{
    char folder[MAX_PATH], path[MAX_PATH];
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (!JournalFolderPath(folder) ||
        !FormatInto(path, "%s\\%s-%04u%02u%02u-%02u%02u%02u-%lu%s", folder,
                    kind == JournalOfRemoval ? "removal" : "install", now.wYear, now.wMonth, now.wDay, now.wHour,
                    now.wMinute, now.wSecond, GetCurrentProcessId(), JournalExtension)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    CreateDirectoryA(folder, nullptr);
    return OpenRunJournal(path, kind, JournalOfWizard);
}

bool OpenRunJournal(const char* path, JournalKind kind, JournalOwner owner)
{
    // Opened, it leaves the last-error code as the caller left it (a
    // journal that is there already sets ERROR_ALREADY_EXISTS).
    CallerLastError caller;
    CloseRunJournal();
    if (!FormatInto(JournalPath, "%s", path)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    JournalFile = OpenExclusively(path, OPEN_ALWAYS);
    if (JournalFile == INVALID_HANDLE_VALUE)
        return false;
    bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    DWORD recordedKind = 0, recordedOwner = 0;
    if (existed && ReadRunStarted(&recordedKind, &recordedOwner)) {
        // After the last whole record: a torn one is cut off.
        JournalImage image;
        bool read = ReadJournal(&image);
        LARGE_INTEGER end;
        end.QuadPart = read ? image.WholeBytes : 0;
        free(image.Bytes);
        if (read && SetFilePointerEx(JournalFile, end, nullptr, FILE_BEGIN) && SetEndOfFile(JournalFile))
            return caller.Keep(true);
        DWORD error = GetLastError();
        CloseRunJournal();
        SetLastError(error);
        return false;
    }
    // New, or holding no whole first record: starts afresh.
    LARGE_INTEGER start = {};
    SetFilePointerEx(JournalFile, start, nullptr, FILE_BEGIN);
    SetEndOfFile(JournalFile);
    RestartQueue queue;
    QueuePairsAtStart = 0;
    if (ReadRestartQueue(&queue)) {
        QueuePairsAtStart = static_cast<DWORD>(CountQueuedPairs(&queue));
        FreeRestartQueue(&queue);
    }
    DWORD kindField = kind, ownerField = owner, processId = GetCurrentProcessId();
    Field fields[] = {Number(kindField), Number(ownerField), Number(QueuePairsAtStart), Number(processId)};
    if (AppendRecord(RunStarted, fields, 4) && FlushFileBuffers(JournalFile))
        return caller.Keep(true);
    DWORD error = GetLastError();
    CloseHandle(JournalFile);
    JournalFile = INVALID_HANDLE_VALUE;
    DeleteFileA(path);
    SetLastError(error);
    return false;
}

bool RunJournalOpen()
{
    return JournalFile != INVALID_HANDLE_VALUE;
}

void CloseRunJournal()
{
    if (JournalFile != INVALID_HANDLE_VALUE)
        CloseHandle(JournalFile);
    JournalFile = INVALID_HANDLE_VALUE;
    JournalPath[0] = '\0';
}

bool FlushRunJournal()
{
    return JournalFile == INVALID_HANDLE_VALUE || FlushFileBuffers(JournalFile);
}

bool RecordFileCreated(const char* path)
{
    Field fields[] = {Text(path)};
    return AppendRecord(FileCreated, fields, 1);
}

bool RecordFileOverwritten(const char* target, const char* kept)
{
    Field fields[] = {Text(target), Text(kept)};
    return AppendRecord(FileOverwritten, fields, 2);
}

bool RecordFileStaged(const char* target, const char* staged)
{
    Field fields[] = {Text(target), Text(staged)};
    return AppendRecord(FileStaged, fields, 2) && FlushRunJournal();
}

bool RecordQueueEntryAdded(const WCHAR* source, const WCHAR* destination)
{
    Field fields[] = {Wide(source), Wide(destination)};
    return AppendRecord(QueueEntryAdded, fields, 2) && FlushRunJournal();
}

bool RecordQueueEntryTakenOut(int position, const WCHAR* source, const WCHAR* destination, bool deleteSourceAtCommit)
{
    DWORD at = static_cast<DWORD>(position), deleteSource = deleteSourceAtCommit ? 1 : 0;
    Field fields[] = {Number(at), Wide(source), Wide(destination), Number(deleteSource)};
    return AppendRecord(QueueEntryTakenOut, fields, 4) && FlushRunJournal();
}

bool RecordKeyCreated(HKEY root, const char* path)
{
    if (JournalFile == INVALID_HANDLE_VALUE)
        return true;
    CallerLastError caller;
    DWORD rootId = RootIdOf(root);
    const char* sid = rootId == CurrentUserRoot ? CurrentUserSid() : "";
    char level[1024];
    if (!FormatInto(level, "%s", path)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    // Each level from the outermost on; a trailing backslash names no level.
    size_t length = strlen(level);
    while (length > 0 && level[length - 1] == '\\')
        level[--length] = '\0';
    for (size_t end = 0; end <= length; ++end) {
        if (level[end] != '\\' && level[end] != '\0')
            continue;
        char saved = level[end];
        level[end] = '\0';
        bool recorded = true;
        if (!RegistryKeyPresent(root, level)) {
            Field fields[] = {Number(rootId), Text(sid), Text(level)};
            recorded = AppendRecord(KeyCreated, fields, 3);
        }
        level[end] = saved;
        if (!recorded)
            return false;
    }
    return caller.Keep(true);
}

bool RecordValue(HKEY root, const char* keyPath, const char* name)
{
    if (JournalFile == INVALID_HANDLE_VALUE)
        return true;
    CallerLastError caller;
    DWORD rootId = RootIdOf(root);
    DWORD existed = 0, type = REG_NONE, size = 0;
    BYTE* data = nullptr;
    HKEY key = nullptr;
    WCHAR wideName[256];
    if (MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 256) == 0)
        return false;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        if (RegQueryValueExW(key, wideName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            (data = static_cast<BYTE*>(malloc(size + 1))) != nullptr &&
            RegQueryValueExW(key, wideName, nullptr, &type, data, &size) == ERROR_SUCCESS)
            existed = 1;
        RegCloseKey(key);
    }
    Field fields[] = {Number(rootId), Text(rootId == CurrentUserRoot ? CurrentUserSid() : ""), Text(keyPath),
                      Text(name), Number(existed), Number(type), {data, existed ? size : 0}};
    bool recorded = AppendRecord(ValueWritten, fields, 7);
    DWORD error = GetLastError();
    free(data);
    SetLastError(error);
    return caller.Keep(recorded);
}

bool RecordAccessList(HKEY root, const char* keyPath)
{
    if (JournalFile == INVALID_HANDLE_VALUE)
        return true;
    CallerLastError caller;
    DWORD rootId = RootIdOf(root);
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(root, keyPath, 0, READ_CONTROL, &key);
    DWORD size = 0;
    BYTE* descriptor = nullptr;
    if (status == ERROR_SUCCESS) {
        status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
        if (status == ERROR_INSUFFICIENT_BUFFER && (descriptor = static_cast<BYTE*>(malloc(size))) != nullptr)
            status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor, &size);
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) {
        free(descriptor);
        SetLastError(static_cast<DWORD>(status));
        return false;
    }
    Field fields[] = {Number(rootId), Text(rootId == CurrentUserRoot ? CurrentUserSid() : ""), Text(keyPath),
                      {descriptor, size}};
    bool recorded = AppendRecord(AccessListReplaced, fields, 4);
    DWORD error = GetLastError();
    free(descriptor);
    SetLastError(error);
    return caller.Keep(recorded);
}

bool RecordDriverService(const char* serviceName)
{
    if (JournalFile == INVALID_HANDLE_VALUE)
        return true;
    CallerLastError caller;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr)
        return false;
    SC_HANDLE service = OpenServiceA(manager, serviceName, SERVICE_QUERY_CONFIG);
    DWORD error = service == nullptr ? GetLastError() : ERROR_SUCCESS;
    QUERY_SERVICE_CONFIGA* config = nullptr;
    DWORD needed = 0;
    if (service != nullptr && !QueryServiceConfigA(service, nullptr, 0, &needed) &&
        GetLastError() == ERROR_INSUFFICIENT_BUFFER &&
        (config = static_cast<QUERY_SERVICE_CONFIGA*>(malloc(needed))) != nullptr &&
        !QueryServiceConfigA(service, config, needed, &needed)) {
        free(config);
        config = nullptr;
    }
    if (service != nullptr && config == nullptr)
        error = GetLastError() ? GetLastError() : ERROR_NOT_ENOUGH_MEMORY;
    if (service != nullptr)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    if (error != ERROR_SUCCESS && error != ERROR_SERVICE_DOES_NOT_EXIST) {
        SetLastError(error);
        return false;
    }
    DWORD existed = config != nullptr ? 1 : 0;
    QUERY_SERVICE_CONFIGA none = {};
    const QUERY_SERVICE_CONFIGA& c = config != nullptr ? *config : none;
    // The dependencies with every string's zero and the list's.
    DWORD dependencySize = 0;
    if (c.lpDependencies != nullptr) {
        while (c.lpDependencies[dependencySize] != '\0')
            dependencySize += static_cast<DWORD>(strlen(c.lpDependencies + dependencySize)) + 1;
        ++dependencySize;
    }
    auto text = [](const char* value) { return Text(value != nullptr ? value : ""); };
    Field fields[] = {Text(serviceName),        Number(existed),        Number(c.dwServiceType),
                      Number(c.dwStartType),    Number(c.dwErrorControl), text(c.lpBinaryPathName),
                      text(c.lpLoadOrderGroup), {c.lpDependencies, dependencySize}, text(c.lpServiceStartName),
                      text(c.lpDisplayName)};
    bool recorded = AppendRecord(DriverServiceChanged, fields, 10);
    error = GetLastError();
    free(config);
    SetLastError(error);
    return caller.Keep(recorded);
}

bool RecordFolderCreated(const char* path)
{
    CallerLastError caller;
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return caller.Keep(true);
    Field fields[] = {Text(path)};
    return caller.Keep(AppendRecord(FolderCreated, fields, 1));
}

bool RecordShortcut(const char* linkFile)
{
    if (JournalFile == INVALID_HANDLE_VALUE)
        return true;
    CallerLastError caller;
    HANDLE file = CreateFileA(linkFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    DWORD existed = 0, size = 0;
    BYTE* bytes = nullptr;
    if (file != INVALID_HANDLE_VALUE) {
        DWORD fileSize = GetFileSize(file, nullptr);
        if (fileSize <= MaxFieldBytes && (bytes = static_cast<BYTE*>(malloc(fileSize + 1))) != nullptr &&
            ReadFile(file, bytes, fileSize, &size, nullptr))
            existed = 1;
        CloseHandle(file);
        if (!existed) {
            free(bytes);
            SetLastError(ERROR_READ_FAULT);
            return false;
        }
    }
    Field fields[] = {Text(linkFile), Number(existed), {bytes, size}};
    bool recorded = AppendRecord(ShortcutWritten, fields, 3);
    DWORD error = GetLastError();
    free(bytes);
    SetLastError(error);
    return caller.Keep(recorded);
}

bool RecordLogonValue(const char* valueName)
{
    return RecordValue(HKEY_CURRENT_USER, RunKey, valueName);
}

bool StagedByThisRun(const char* path)
{
    JournalImage image;
    if (JournalFile == INVALID_HANDLE_VALUE || !ReadJournal(&image))
        return false;
    bool staged = false;
    Record record;
    DWORD length = 0;
    char copy[MAX_PATH];
    for (DWORD at = 0; !staged && DecodeRecord(image.Bytes + at, image.WholeBytes - at, &record, &length);
         at += length)
        staged = record.Type == FileStaged && TextAt(record, 1, copy, sizeof copy) && lstrcmpiA(copy, path) == 0;
    // Appends go on at the end.
    LARGE_INTEGER end;
    end.QuadPart = image.Size;
    SetFilePointerEx(JournalFile, end, nullptr, FILE_BEGIN);
    free(image.Bytes);
    return staged;
}

bool UndoRunJournal()
{
    return FinishOpenJournal(true);
}

bool CommitRunJournal()
{
    return FinishOpenJournal(false);
}

bool UndoJournalFile(const char* path)
{
    bool opened = false;
    return OpenToFinish(path, &opened) && (!opened || UndoRunJournal());
}

bool CommitJournalFile(const char* path)
{
    bool opened = false;
    return OpenToFinish(path, &opened) && (!opened || CommitRunJournal());
}

int RecoverKilledRuns()
{
    char folder[MAX_PATH], pattern[MAX_PATH], path[MAX_PATH];
    // Recovery goes through the one open journal: the run's own must not be
    // open yet.
    if (JournalFile != INVALID_HANDLE_VALUE || !JournalFolderPath(folder) || !FormatInto(pattern, "%s\\*%s", folder, JournalExtension))
        return 0;
    int handled = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        bool opened = false;
        if (!FormatInto(path, "%s\\%s", folder, found.cFileName))
            continue;
        if (!OpenToFinish(path, &opened) || !opened) {
            LogAction("recovery: left alone (held by a live run)", path, GetLastError());
            continue;
        }
        DWORD kind = 0, owner = 0;
        if (!ReadRunStarted(&kind, &owner)) {
            // Nothing was recorded: nothing was done.
            DeleteOpenJournal();
            continue;
        }
        if (owner != JournalOfWizard) {
            CloseRunJournal();
            continue;
        }
        LogAction(kind == JournalOfInstall ? "recovery: undo the killed install run of"
                                           : "recovery: finish the killed removal run of",
                  path, ERROR_SUCCESS);
        if (kind == JournalOfInstall)
            UndoRunJournal();
        else
            CommitRunJournal();
        ++handled;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    RemoveDirectoryA(folder);
    return handled;
}
