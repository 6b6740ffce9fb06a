// Lines about the engine's actions, handed to the caller's sink.
#include "action_log.h"

#include <cstdarg>

#include "bounded_format.h"

namespace {

ActionLogSink CurrentSink = nullptr;
constexpr size_t ActionLineSize = 2 * MAX_PATH + 160;

}  // namespace

void SetActionLogSink(ActionLogSink sink)
{
    CurrentSink = sink;
}

void LogAction(const char* what, const char* object, DWORD error)
{
    if (CurrentSink == nullptr)
        return;
    DWORD lastError = GetLastError();
    char line[ActionLineSize];
    bool formatted = error == ERROR_SUCCESS ? FormatInto(line, "%s %s: ok", what, object)
                                            : FormatInto(line, "%s %s: error %lu", what, object, error);
    // An object too long for the line still leaves its action and result.
    if (!formatted)
        FormatInto(line, "%s (name too long): %s %lu", what, error == ERROR_SUCCESS ? "ok" : "error", error);
    CurrentSink(line);
    SetLastError(lastError);
}

void LogKeyAction(const char* what, const char* path, DWORD error)
{
    char key[ActionLineSize];
    if (!FormatInto(key, "HKLM\\%s", path))
        FormatInto(key, "HKLM\\...");
    LogAction(what, key, error);
}

void LogNote(const char* format, ...)
{
    if (CurrentSink == nullptr)
        return;
    DWORD lastError = GetLastError();
    char line[ActionLineSize];
    va_list args;
    va_start(args, format);
    bool formatted = FormatBoundedV(line, sizeof line, format, args);
    va_end(args);
    if (formatted)
        CurrentSink(line);
    SetLastError(lastError);
}
