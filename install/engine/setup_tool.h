// The driver-setup tool QuorUsb.exe in the ModuleDirectory: its "setup" run,
// which installs and starts the driver's service, and its removal run.
// Both run hidden and are waited for without a time limit; exit code 2
// (DRIVER_SETUP_FAILED) means failure, every other code success.
#pragma once
#include <windows.h>

// The "setup" run's application path and command line.
struct SetupToolCommand {
    char Application[MAX_PATH];
    char CommandLine[2 * MAX_PATH + 32];
};

// False when either would not fit its buffer.
bool FormatSetupToolCommand(SetupToolCommand* command);

// Starts the "setup" run (process creation, the ModuleDirectory as working
// directory), waits, and traces "Process "<ModuleDirectory>"
// return<OsClass>(<exit code>:0x<E>)" with E, the last-error code the run
// left, which goes to *runError too. False when the tool could not be
// started: the creation's error is then the last-error code.
bool RunSetupToolInstall(SetupToolCommand* command, DWORD* exitCode, DWORD* runError);

// Starts the removal run "uninstall <OsClass> delete" (shell execution
// without error dialogs) and waits. False when the tool could not be started
// (206 when its path would not fit); otherwise its exit code in *exitCode.
bool RunSetupToolRemoval(DWORD* exitCode);
