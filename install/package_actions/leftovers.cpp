#include "leftovers.h"

#include <windows.h>
#include <objbase.h>

#include <cstring>
#include <cwchar>

#include "action_log.h"
#include "bounded_format.h"
#include "deployment.h"
#include "files_in_use.h"
#include "install_paths.h"
#include "queue_entries.h"
#include "run_journal.h"
#include "shortcuts.h"

namespace {

// Renamed beside itself, or queued under its own name; recorded first.
bool SetAside(const char* path)
{
    char kept[MAX_PATH];
    if (MakeUniqueNameBeside(path, kept)) {
        if (RecordFileOverwritten(path, kept) && MoveFileExA(path, kept, MOVEFILE_REPLACE_EXISTING)) {
            LogAction("set aside for the restart", path, ERROR_SUCCESS);
            return true;
        }
        DeleteFileA(kept);
    }
    WCHAR source[MAX_PATH + 8];
    bool queued = QueuedForm(path, false, source) && RecordQueueEntryAdded(source, L"") &&
                  MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    LogAction("queue for deletion at the restart", path, queued ? ERROR_SUCCESS : GetLastError());
    return queued;
}

int SetAsideFolderContents(const char* folder)
{
    char pattern[MAX_PATH], path[MAX_PATH];
    WIN32_FIND_DATAA found;
    if (folder[0] == '\0' || !FormatInto(pattern, "%s\\*", folder))
        return 0;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int handled = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && FormatInto(path, "%s\\%s", folder, found.cFileName) &&
            SetAside(path))
            ++handled;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return handled;
}

bool StartMenuGroup(char (&path)[MAX_PATH])
{
    CoInitialize(nullptr);
    ResolveProgramsFolder();
    CoUninitialize();
    return ProgramsFolder[0] != '\0' && FormatInto(path, "%s\\%s", ProgramsFolder, StartMenuFolderName);
}

// A folder that is still there, once, behind what the queue already holds.
void QueueFolder(const char* folder)
{
    if (folder[0] == '\0' || GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES)
        return;
    RestartQueue queue;
    bool queued = false;
    if (ReadRestartQueue(&queue)) {
        queued = QueuedForPath(&queue, folder, CountQueuedPairs(&queue));
        FreeRestartQueue(&queue);
    }
    if (!queued)
        LogAction("queue the folder for deletion at the restart", folder,
                  MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? ERROR_SUCCESS : GetLastError());
}

// One of the package's targets: a file of the install folder or a second
// copy. path is "\\??\\<path>", with "!" in front for a replacement.
bool IsPackageTarget(const WCHAR* queued)
{
    char path[MAX_PATH + 8], target[MAX_PATH];
    if (queued[0] == L'!')
        ++queued;
    if (wcsncmp(queued, L"\\??\\", 4) != 0 ||
        WideCharToMultiByte(CP_ACP, 0, queued + 4, -1, path, sizeof path, nullptr, nullptr) == 0)
        return false;
    for (const PackageFileRow& row : PackageFileTable) {
        const char* second = SecondTarget(row);
        if ((FormatInstallPath(target, row.NameField) && _stricmp(target, path) == 0) ||
            (second[0] != '\0' && FormatWindowsPath(target, second) && _stricmp(target, path) == 0))
            return true;
    }
    return false;
}

}  // namespace

int TakeOutReplacementsSince(int since)
{
    RestartQueue queue;
    if (!ReadRestartQueue(&queue))
        return 0;
    // The files the replacements would have put in place go once the queue
    // is written back: a deletion at the restart appends to it.
    constexpr int MaxStaged = 32;
    char staged[MaxStaged][MAX_PATH + 8];
    int stagedCount = 0, takenOut = 0;
    QueuedPair pair;
    for (int i = since; QueuedPairAt(&queue, i, &pair);) {
        bool deletesTarget = pair.Destination[0] == L'\0' && IsPackageTarget(pair.Source);
        bool putsTarget = pair.Destination[0] != L'\0' && IsPackageTarget(pair.Destination);
        if (!deletesTarget && !putsTarget) {
            ++i;
            continue;
        }
        char source[MAX_PATH + 8] = "";
        WideCharToMultiByte(CP_ACP, 0, pair.Source, -1, source, sizeof source, nullptr, nullptr);
        const char* file = strncmp(source, "\\??\\", 4) == 0 ? source + 4 : source;
        if (putsTarget && stagedCount < MaxStaged)
            FormatInto(staged[stagedCount++], "%s", file);
        LogAction(putsTarget ? "take out the queued replacement from" : "take out the queued deletion of", file,
                  ERROR_SUCCESS);
        if (!RemoveQueuedPair(&queue, i))
            break;
        ++takenOut;
    }
    if (takenOut > 0 && !WriteRestartQueue(&queue))
        LogAction("write the restart queue", "PendingFileRenameOperations", GetLastError());
    FreeRestartQueue(&queue);
    for (int i = 0; i < stagedCount; ++i)
        DeleteNowOrAtRestart(staged[i]);
    return takenOut;
}

int SetAsideLeftovers()
{
    char group[MAX_PATH] = "";
    int handled = SetAsideFolderContents(InstallDirectory);
    if (StartMenuGroup(group))
        handled += SetAsideFolderContents(group);
    char path[MAX_PATH];
    for (const PackageFileRow& row : PackageFileTable) {
        const char* target = SecondTarget(row);
        if (target[0] != '\0' && FormatWindowsPath(path, target) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES &&
            SetAside(path))
            ++handled;
    }
    return handled;
}

void QueueLeftoverFolders()
{
    char group[MAX_PATH] = "";
    QueueFolder(InstallDirectory);
    if (StartMenuGroup(group))
        QueueFolder(group);
}
