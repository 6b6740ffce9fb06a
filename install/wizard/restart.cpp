#include "restart.h"

#include "os_class.h"
#include "wizard_state.h"

const char RebootErrorMenually[] = "Reboot system error, please reboot menually";
const char RebootErrorManually[] = "Reboot system error, please reboot manually";

namespace {

ExitWindowsCall CurrentExitWindowsCall = ExitWindowsEx;

void ShowRebootError(HWND owner, const char* text)
{
    MessageBoxA(owner, text, SetupCaption, MB_ICONERROR | MB_OK);
}

}  // namespace

ExitWindowsCall SetExitWindowsCall(ExitWindowsCall call)
{
    ExitWindowsCall previous = CurrentExitWindowsCall;
    CurrentExitWindowsCall = call != nullptr ? call : ExitWindowsEx;
    return previous;
}

void RestartSystem(HWND owner)
{
    if (OsClass < 6) {
        if (!CurrentExitWindowsCall(RestartFlags, RestartReason))
            ShowRebootError(owner, RebootErrorMenually);
        return;
    }
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        ShowRebootError(owner, RebootErrorMenually);
        return;
    }
    TOKEN_PRIVILEGES privileges = {};
    LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    DWORD adjustError = GetLastError();
    CloseHandle(token);
    if (adjustError != ERROR_SUCCESS) {
        ShowRebootError(owner, RebootErrorManually);
        return;
    }
    if (!CurrentExitWindowsCall(RestartFlags, RestartReason))
        ShowRebootError(owner, RebootErrorMenually);
}
