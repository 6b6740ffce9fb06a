// Starting a program hidden and waiting for it: by process creation or by
// shell execution.
#include "hidden_process.h"

#include <shellapi.h>

namespace {

// Waits for the process, reads its exit code and closes the handles (the
// thread's may be null); the last-error code stays as the wait and the read
// left it.
void WaitAndClose(HANDLE process, HANDLE thread, DWORD* exitCode)
{
    WaitForSingleObject(process, INFINITE);
    GetExitCodeProcess(process, exitCode);
    DWORD error = GetLastError();
    if (thread != nullptr)
        CloseHandle(thread);
    CloseHandle(process);
    SetLastError(error);
}

}  // namespace

bool RunHiddenAndWait(const char* application, char* commandLine, const char* directory, DWORD* exitCode)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(application, commandLine, nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr,
                        directory, &startup, &process))
        return false;  // the creation's error stays the last-error code
    WaitAndClose(process.hProcess, process.hThread, exitCode);
    return true;
}

bool ShellExecuteHiddenAndWait(const char* file, const char* parameters, DWORD* exitCode)
{
    SHELLEXECUTEINFOA execution = {};
    execution.cbSize = sizeof execution;
    execution.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;  // 0x440
    execution.lpFile = file;
    execution.lpParameters = parameters;
    execution.nShow = SW_HIDE;
    if (!ShellExecuteExA(&execution) || execution.hProcess == nullptr)
        return false;
    WaitAndClose(execution.hProcess, nullptr, exitCode);
    return true;
}
