#include "action_session.h"

#include <cstdarg>
#include <cstring>

#include "action_log.h"
#include "bounded_format.h"
#include "debug_trace.h"
#include "install_paths.h"
#include "os_class.h"
#include "setup_log.h"

namespace {

MSIHANDLE CurrentSession = 0;
char CurrentAction[64];
// Two paths and the saved parameter values.
char ActionData[2 * MAX_PATH + 2048];

constexpr size_t LogTextSize = 1024;
// Each character may become five ("[\[]").
constexpr size_t EscapedTextSize = 5 * LogTextSize;

// The installer formats a message's text: brackets and braces would be read
// as property references and groups, so each goes in as its escape.
void EscapeForRecord(const char* text, char* out, size_t outSize)
{
    size_t used = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        char piece[6] = {*c, '\0'};
        if (*c == '[' || *c == ']' || *c == '{' || *c == '}')
            FormatInto(piece, "[\\%c]", *c);
        size_t length = strlen(piece);
        if (used + length >= outSize)
            break;
        memcpy(out + used, piece, length);
        used += length;
    }
    out[used] = '\0';
}

void SendMessageText(INSTALLMESSAGE kind, const char* text)
{
    if (CurrentSession == 0)
        return;
    static char escaped[EscapedTextSize];
    EscapeForRecord(text, escaped, sizeof escaped);
    MSIHANDLE record = MsiCreateRecord(1);
    if (record == 0)
        return;
    MsiRecordSetStringA(record, 0, escaped);
    MsiProcessMessage(CurrentSession, kind, record);
    MsiCloseHandle(record);
}

// Into the installation log and the setup log.
void SendFormatted(INSTALLMESSAGE kind, const char* format, va_list args)
{
    char text[LogTextSize];
    char line[LogTextSize + 80];
    if (!FormatBoundedV(text, sizeof text, format, args))
        FormatInto(text, "(message too long: %s)", format);
    if (FormatInto(line, "QuortouchUsb %s: %s", CurrentAction, text)) {
        SendMessageText(kind, line);
        WriteSetupLogLine(line + strlen("QuortouchUsb "));
    }
}

// The engine's lines (action_log.h).
void ForwardActionLine(const char* line)
{
    LogLine("%s", line);
}

// The engine's DebugTrace lines, without their line end.
void ForwardTrace(const char* text)
{
    char line[LogTextSize];
    if (!FormatInto(line, "%s", text))
        return;
    size_t length = strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
        line[--length] = '\0';
    LogLine("trace: %s", line);
}

// Copies one path of the action's data, without a trailing backslash ("C:\"
// becomes "C:", as the engine writes a drive's root).
bool TakePath(const char* begin, const char* end, char (&out)[MAX_PATH])
{
    if (end > begin && end[-1] == '\\')
        --end;
    size_t length = static_cast<size_t>(end - begin);
    if (length == 0 || length >= sizeof out)
        return false;
    memcpy(out, begin, length);
    memset(out + length, 0, sizeof out - length);
    return true;
}

}  // namespace

void BeginAction(MSIHANDLE session, const char* name)
{
    CurrentSession = session;
    FormatInto(CurrentAction, "%s", name);
    SetDebugTraceSink(ForwardTrace);
    SetActionLogSink(ForwardActionLine);
    // The header's OsClass; an action run as a user who may not write the
    // Windows folder logs into the installation log only.
    OsClass = ComputeOsClass();
    char program[96];
    FormatInto(program, "QuortouchUsbActions.dll %s", name);
    BeginSetupLog(program, "(custom action of the Windows Installer package QuortouchUsb.msi)",
                  "(inside the package)");
}

UINT EndAction(UINT result)
{
    char outcome[32];
    FormatInto(outcome, "%s (%u)", result == ERROR_SUCCESS ? "done" : "failed", result);
    LogLine("%s", outcome);
    EndSetupLog(outcome);
    SetActionLogSink(nullptr);
    SetDebugTraceSink(nullptr);
    CurrentSession = 0;
    return result;
}

void LogLine(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    SendFormatted(INSTALLMESSAGE_INFO, format, args);
    va_end(args);
}

void ReportError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    SendFormatted(static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), format, args);
    va_end(args);
}

bool LoadBasePaths()
{
    OsClass = ComputeOsClass();
    DWORD size = sizeof ActionData;
    memset(ActionData, 0, sizeof ActionData);
    UINT status = MsiGetPropertyA(CurrentSession, "CustomActionData", ActionData, &size);
    const char* bar = strchr(ActionData, '|');
    const char* secondBar = bar != nullptr ? strchr(bar + 1, '|') : nullptr;
    const char* windowsEnd = secondBar != nullptr ? secondBar : ActionData + strlen(ActionData);
    ActionDataRest = secondBar != nullptr ? secondBar + 1 : "";
    char module[MAX_PATH], windows[MAX_PATH];
    if (status != ERROR_SUCCESS || bar == nullptr || !TakePath(ActionData, bar, module) ||
        !TakePath(bar + 1, windowsEnd, windows)) {
        SetInstallPaths("", "");
        LogLine("the action's data do not hold two paths that fit (status %u, %lu characters)", status,
                static_cast<unsigned long>(size));
        return false;
    }
    SetInstallPaths(module, windows);
    LogLine("module directory \"%s\", Windows directory \"%s\", OsClass %d", ModuleDirectory, WindowsDirectory,
            OsClass);
    return true;
}

const char* ActionDataRest = "";

bool GetSessionProperty(const char* name, char* value, DWORD size)
{
    DWORD length = size;
    value[0] = '\0';
    return MsiGetPropertyA(CurrentSession, name, value, &length) == ERROR_SUCCESS && length < size;
}

bool SetSessionProperty(const char* name, const char* value)
{
    return MsiSetPropertyA(CurrentSession, name, value) == ERROR_SUCCESS;
}
