// The installer's base paths, and the paths formed from them.
#include "install_paths.h"

#include <cstring>

#include "bounded_format.h"
#include "package_layout.h"

char ModuleDirectory[MAX_PATH];
char WindowsDirectory[MAX_PATH];
const char InstallDirectoryName[] = INSTALL_FOLDER_NAME;
char InstallDirectory[MAX_PATH];

namespace {

// Copies the text whole into the buffer, or leaves the buffer empty.
void TakeWhole(char (&buffer)[MAX_PATH], const char* text)
{
    memset(buffer, 0, sizeof buffer);
    if (strlen(text) < sizeof buffer)
        strcpy(buffer, text);
}

void FormInstallDirectory()
{
    memset(InstallDirectory, 0, sizeof InstallDirectory);
    if (WindowsDirectory[0] != '\0')
        FormatInto(InstallDirectory, "%s\\%s", WindowsDirectory, InstallDirectoryName);
}

}  // namespace

void ComputeInstallPaths()
{
    // The program's own path may be longer than the directory buffer; then the
    // directory stays empty and every path formed from it is refused.
    static char modulePath[32768];
    memset(modulePath, 0, sizeof modulePath);
    DWORD length = GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
    if (length == 0 || length >= sizeof modulePath)
        modulePath[0] = '\0';
    char* end = modulePath + strlen(modulePath);
    while (end > modulePath && *end != '\\')
        --end;
    *end = '\0';
    TakeWhole(ModuleDirectory, modulePath);

    // A directory that does not fit leaves the buffer empty.
    memset(WindowsDirectory, 0, sizeof WindowsDirectory);
    if (GetWindowsDirectoryA(WindowsDirectory, MAX_PATH) >= MAX_PATH)
        memset(WindowsDirectory, 0, sizeof WindowsDirectory);
    FormInstallDirectory();
}

void SetInstallPaths(const char* moduleDirectory, const char* windowsDirectory)
{
    TakeWhole(ModuleDirectory, moduleDirectory);
    TakeWhole(WindowsDirectory, windowsDirectory);
    FormInstallDirectory();
}

bool InstallPathsKnown()
{
    return ModuleDirectory[0] != '\0' && WindowsDirectory[0] != '\0';
}

int PathTooLong()
{
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return -1;
}

bool FormatInstallPath(char (&path)[MAX_PATH], const char* name)
{
    path[0] = '\0';
    return InstallDirectory[0] != '\0' && FormatInto(path, "%s\\%s", InstallDirectory, name);
}

bool FormatWindowsPath(char (&path)[MAX_PATH], const char* relative)
{
    path[0] = '\0';
    return WindowsDirectory[0] != '\0' && FormatInto(path, "%s\\%s", WindowsDirectory, relative);
}
