// Programs started without a window and waited for without a time limit: the
// two ways the installer starts the driver-setup tool, and the start of the
// Windows Installer package's removal.
#pragma once
#include <windows.h>

// CreateProcessA with the application and its command line (which
// CreateProcessA may change in place), handles not inherited, creation flags
// CREATE_DEFAULT_ERROR_MODE, the caller's environment, the directory as
// working directory and a startup record asking for SW_HIDE; then waits for
// the process and reads its exit code into *exitCode (left as it was when it
// can't be read). False when the process could not be created, with the
// creation's last-error code; otherwise the last-error code is the one the
// wait and the read of the exit code left.
bool RunHiddenAndWait(const char* application, char* commandLine, const char* directory, DWORD* exitCode);

// ShellExecuteExA of the file with its parameters: the default verb, no owner
// window, no working directory, SW_HIDE, and the mask 0x440 (the process
// handle kept for the wait, SEE_MASK_NOCLOSEPROCESS; no error dialogs of the
// shell, SEE_MASK_FLAG_NO_UI). Then waits and reads the exit code as above.
// False when nothing was started.
bool ShellExecuteHiddenAndWait(const char* file, const char* parameters, DWORD* exitCode);
