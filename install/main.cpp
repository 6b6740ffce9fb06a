#include <windows.h>

#include "installer_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    return RunInstaller(instance, commandLine, showCommand);
}
