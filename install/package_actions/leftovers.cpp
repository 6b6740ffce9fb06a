#include "leftovers.h"

#include <windows.h>
#include <objbase.h>

#include <cstring>

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

}  // namespace

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
