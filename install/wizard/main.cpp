#include <windows.h>

#include "installer_app.h"
#include "library_search.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    // DLLs come from the system directory, never from the folder the program
    // was started from.
    RestrictLibrarySearch();
    return RunInstaller(instance, commandLine, showCommand);
}
