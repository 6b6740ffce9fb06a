// The engine's account of what a run does: one line per action (what, the
// path or key, the result and its error code) and free notes, handed to the
// sink the caller chose. The engine never shows them itself: the wizard
// points the sink at the setup log, the package's actions at the Windows
// Installer log and the setup log.
#pragma once
#include <windows.h>

// Receives each line without a line end. Null (the default) drops them.
using ActionLogSink = void (*)(const char* line);
void SetActionLogSink(ActionLogSink sink);

// "<what> <object>: ok" for error 0, else "<what> <object>: error <n>".
// The caller's last-error code is left as it was.
void LogAction(const char* what, const char* object, DWORD error);
// The same for a key under HKEY_LOCAL_MACHINE: "<what> HKLM\<path>: ...".
void LogKeyAction(const char* what, const char* path, DWORD error);
// A line of its own ("driver setup tool exited 2").
void LogNote(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));
