#include <windows.h>

#include "installer_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    // Libraries load from the system directory only, never from the folder
    // the installer was started from.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return RunInstaller(instance, commandLine, showCommand);
}
