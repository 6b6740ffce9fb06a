// What a custom action of the Windows Installer package has from its
// installation session: the installer's base paths from the action's data,
// and lines in the installation log.
#pragma once
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

// Starts an action of that name: the session is remembered for the log
// functions below, the action's run begins in the setup log
// (%WINDIR%\QuortouchSetup.log), and the engine's lines (action_log.h,
// DebugTrace) go into both logs too.
void BeginAction(MSIHANDLE session, const char* name);
// Logs the action's result, ends its run in the setup log and what
// BeginAction started; returns result.
UINT EndAction(UINT result);

// One line in the installation log ("/l*v" shows it) and the setup log.
void LogLine(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));
// An error the installer shows in a message box with full user interface;
// in every mode it is logged.
void ReportError(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));

// The action's data "<ModuleDirectory>|<WindowsDirectory>[|<rest>]", each
// path with or without a trailing backslash, into the engine's base paths
// (SetInstallPaths); OsClass is computed. False (logged) when the data are
// missing or a path does not fit its buffer.
bool LoadBasePaths();
// What follows the second bar of the data LoadBasePaths read ("" when none).
extern const char* ActionDataRest;

// A property of the session; false (value "") when missing or too long.
bool GetSessionProperty(const char* name, char* value, DWORD size);

// Sets a property of the session; false when the installer refused it.
bool SetSessionProperty(const char* name, const char* value);
