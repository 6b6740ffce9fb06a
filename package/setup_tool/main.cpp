// QuorUsb.exe: installs and removes the touch driver's kernel service.
// A GUI-subsystem program that never makes a window: it runs hidden, logs to
// %WINDIR%\QuorUsb.log and to OutputDebugStringA, and answers with its
// exit code (0 done, 2 failed). See setup_command.h for the command lines and
// the test variables QUORUSB_FORCE_EXIT, QUORUSB_FORCE_COMMAND and
// QUORUSB_FORCE_WAIT.
#include <windows.h>

#include <cstdlib>

#include "driver_contract.h"
#include "driver_service.h"
#include "library_search.h"
#include "setup_command.h"
#include "setup_log.h"

static int RunSetupTool(int argc, char** argv)
{
    char directory[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof(directory), directory);
    if (length == 0 || length >= sizeof(directory))
        directory[0] = '\0';
    SetupLog("command line: %s", GetCommandLineA());
    SetupLog("working directory: %s", directory);

    SetupCommand command = ParseSetupCommand(argc, argv);
    WaitForTestEvent();
    int forced = 0;
    if (ForcedExitCode(command, &forced)) {
        SetupLog("QUORUSB_FORCE_EXIT is set: exit code %d, nothing done", forced);
        return forced;
    }
    switch (command.Action) {
    case SetupAction::Install:
        SetupLog("install from %s (OsClass %d)", command.InfPath, command.OsClass);
        return InstallDriverService(command.InfPath);
    case SetupAction::Remove:
        SetupLog("remove (OsClass %d)", command.OsClass);
        return RemoveDriverService();
    case SetupAction::Invalid:
        break;
    }
    SetupLog("wrong command line: %s", command.Problem);
    return DRIVER_SETUP_FAILED;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    NarrowLibrarySearch();
    OpenSetupLog();
    int code = RunSetupTool(__argc, __argv);
    SetupLog("exit code %d", code);
    CloseSetupLog();
    return code;
}
