// The setup tool's log: every line goes to %WINDIR%\QuorUsb.log (appended,
// shared) and to OutputDebugStringA. The tool never shows a message box.
#pragma once

// Opens the log in the Windows directory; lines before that still reach
// OutputDebugStringA.
void OpenSetupLog();
void CloseSetupLog();
// One line, prefixed with the local time and the process id.
void SetupLog(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
// The directory of the running program, without a trailing backslash.
const char* ProgramDirectory();
