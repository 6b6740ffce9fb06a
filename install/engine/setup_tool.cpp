// The driver-setup tool's "setup" and removal runs, hidden and waited for.
#include "setup_tool.h"

#include "bounded_format.h"
#include "debug_trace.h"
#include "driver_contract.h"
#include "hidden_process.h"
#include "install_paths.h"
#include "os_class.h"

bool FormatSetupToolCommand(SetupToolCommand* command)
{
    return FormatInto(command->Application, DRIVER_SETUP_APP_FORMAT, ModuleDirectory) &&
           FormatInto(command->CommandLine, DRIVER_SETUP_INSTALL_FORMAT, ModuleDirectory, ModuleDirectory, OsClass);
}

bool RunSetupToolInstall(SetupToolCommand* command, DWORD* exitCode, DWORD* runError)
{
    *exitCode = 0;
    if (!RunHiddenAndWait(command->Application, command->CommandLine, ModuleDirectory, exitCode))
        return false;
    *runError = GetLastError();
    DebugTrace(0, "Process \"%s\" return%d(%d:0x%08X)\n", ModuleDirectory, OsClass, static_cast<int>(*exitCode),
               static_cast<unsigned>(*runError));
    return true;
}

bool RunSetupToolRemoval(DWORD* exitCode)
{
    char file[MAX_PATH];
    char parameters[64];
    if (!FormatInto(file, DRIVER_SETUP_APP_FORMAT, ModuleDirectory) ||
        !FormatInto(parameters, DRIVER_SETUP_REMOVE_FORMAT, OsClass)) {
        PathTooLong();
        return false;
    }
    *exitCode = 0;
    return ShellExecuteHiddenAndWait(file, parameters, exitCode);
}
