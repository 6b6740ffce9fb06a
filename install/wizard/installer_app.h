// The installer from process start to the end of its message loop: the
// command line, the main window and its loop. It fills the wizard's
// process-wide state.
#pragma once
#include <windows.h>

#include "wizard_state.h"

// The whole program: commandLine is the text after the program name.
// Returns the process exit code (0).
int RunInstaller(HINSTANCE instance, const char* commandLine, int showCommand);

// True only for the exact text "/u".
bool IsUninstallCommandLine(const char* commandLine);

void RegisterMainWindowClass(HINSTANCE instance);
// Creates and shows the full-screen main window; false when it can't be made.
bool CreateMainWindow(HINSTANCE instance, int showCommand);
// Runs the main message loop with accelerator table 109; the quit code.
int RunMessageLoop(HINSTANCE instance);
