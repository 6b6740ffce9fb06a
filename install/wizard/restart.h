// The reboot call behind RestartSystem (declared in uninstall.h), replaceable
// so that tests never restart their Wine prefix.
#pragma once
#include <windows.h>

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
