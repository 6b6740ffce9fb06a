// The Start-menu program group with its five shortcuts into the install
// directory.
#include "shortcuts.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstring>

#include "action_log.h"
#include "bounded_format.h"
#include "install_paths.h"
#include "os_class.h"
#include "run_journal.h"

char ProgramsFolder[MAX_PATH];
const char StartMenuFolderName[] = START_MENU_FOLDER_NAME;

namespace {

// The shell-link class and the two interfaces used here, defined in place so
// the program doesn't link the platform's whole table of GUIDs.
const CLSID ShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID ShellLinkAInterface = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID PersistFileInterface = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

}  // namespace

// In the order they are created. Targets are formed from the Windows
// directory and the install directory's name, link files from the Programs
// folder and the program group's name.
#define SHORTCUT_ROW(target, linkFile, description, arguments) \
    {"%s\\%s\\" target, "%s\\%s\\" linkFile, description, arguments},
const ShortcutRow Shortcuts[ShortcutCount] = {QUORTOUCH_START_MENU_SHORTCUTS(SHORTCUT_ROW)};
#undef SHORTCUT_ROW


void ResolveProgramsFolder()
{
    memset(ProgramsFolder, 0, sizeof ProgramsFolder);
    int folder = IsConsumerFamily(OsClass) ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS;
    LPITEMIDLIST items = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, folder, &items) != S_OK || items == nullptr)
        return;
    // Fails (and leaves the buffer empty) when the path would not fit.
    if (!SHGetPathFromIDListA(items, ProgramsFolder))
        memset(ProgramsFolder, 0, sizeof ProgramsFolder);
    CoTaskMemFree(items);
}

int CreateStartMenuShortcuts()
{
    CoInitialize(nullptr);
    ResolveProgramsFolder();

    char startMenuFolder[MAX_PATH];
    // Without the Programs folder there is no place for the group, and a path
    // that does not fit its buffer is not used: that shortcut is left out.
    if (ProgramsFolder[0] != '\0' && FormatInto(startMenuFolder, "%s\\%s", ProgramsFolder, StartMenuFolderName)) {
        if (RecordFolderCreated(startMenuFolder))
            CreateDirectoryA(startMenuFolder, nullptr);
        if (InstallDirectory[0] != '\0') {
            for (const ShortcutRow& row : Shortcuts) {
                char target[MAX_PATH];
                char linkFile[MAX_PATH];
                if (!FormatInto(target, row.TargetFormat, WindowsDirectory, InstallDirectoryName) ||
                    !FormatInto(linkFile, row.LinkFileFormat, ProgramsFolder, StartMenuFolderName))
                    continue;
                bool saved = RecordShortcut(linkFile) &&
                             CreateShellLink(target, linkFile, row.Description, InstallDirectory, row.Arguments) != 0;
                LogAction("create shortcut", linkFile, saved ? ERROR_SUCCESS : GetLastError());
            }
        }
    }

    CoUninitialize();
    return 0;
}

int CreateShellLink(const char* target, const char* linkFile, const char* description, const char* workingDirectory,
                    const char* arguments)
{
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(ShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, ShellLinkAInterface,
                                reinterpret_cast<void**>(&link))))
        return 0;
    if (arguments != nullptr)
        link->SetArguments(arguments);
    link->SetDescription(description);
    link->SetPath(target);
    link->SetWorkingDirectory(workingDirectory);

    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(PersistFileInterface, reinterpret_cast<void**>(&file)))) {
        link->Release();
        return 0;
    }
    WCHAR widePath[MAX_PATH] = {};
    int converted = MultiByteToWideChar(CP_ACP, 0, linkFile, -1, widePath, MAX_PATH);
    // A link file name that does not fit is not handed to the shell.
    if (converted != 0)
        file->Save(widePath, 2);
    file->Release();
    link->Release();
    return converted != 0 ? 1 : 0;
}
