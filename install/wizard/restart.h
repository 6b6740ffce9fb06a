// The restart after an installation or a removal, and the reboot call behind
// it, replaceable so that tests never restart their Wine prefix.
#pragma once
#include <windows.h>

// Restarts Windows; a failure is shown in a box (M1 or M2) owned by the
// owner window, or by none.
void RestartSystem(HWND owner);

// A planned restart for an application's installation: programs are asked to
// close and may save their work (no EWX_FORCE).
constexpr UINT RestartFlags = EWX_REBOOT;
constexpr DWORD RestartReason =
    SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION | SHTDN_REASON_FLAG_PLANNED;

extern const char RebootErrorMenually[];  // M1
extern const char RebootErrorManually[];  // M2

using ExitWindowsCall = BOOL(WINAPI*)(UINT flags, DWORD reason);
// Replaces the call (ExitWindowsEx by default); returns the previous one.
ExitWindowsCall SetExitWindowsCall(ExitWindowsCall call);
