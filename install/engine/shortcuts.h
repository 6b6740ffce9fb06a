// The Start-menu program group and its five shortcuts.
#pragma once
#include <windows.h>

#include "package_layout.h"

// Path of the Programs folder of the running family's Start menu, filled by
// CreateStartMenuShortcuts and RemoveDeployedFiles.
extern char ProgramsFolder[MAX_PATH];
extern const char StartMenuFolderName[];  // START_MENU_FOLDER_NAME

struct ShortcutRow {
    const char* TargetFormat;
    const char* LinkFileFormat;
    const char* Description;
    const char* Arguments;
};
constexpr int ShortcutCount = 0 QUORTOUCH_START_MENU_SHORTCUTS(QUORTOUCH_COUNT_ROW);
extern const ShortcutRow Shortcuts[ShortcutCount];

// Fills ProgramsFolder for the running family (CSIDL_PROGRAMS on 3 and 4,
// else CSIDL_COMMON_PROGRAMS).
void ResolveProgramsFolder();

// Always 0.
int CreateStartMenuShortcuts();
// 1 when the link was handed to the shell for saving, 0 when the shell-link
// object or its persist-file interface could not be had. arguments may be null.
int CreateShellLink(const char* target, const char* linkFile, const char* description, const char* workingDirectory,
                    const char* arguments);
