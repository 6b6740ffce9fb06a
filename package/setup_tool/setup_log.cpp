#include "setup_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstring>

#include "bounded_format.h"

static HANDLE LogFile = INVALID_HANDLE_VALUE;
static char ProgramDir[MAX_PATH];

const char* ProgramDirectory()
{
    if (ProgramDir[0] == '\0') {
        DWORD length = GetModuleFileNameA(nullptr, ProgramDir, sizeof(ProgramDir));
        if (length == 0 || length >= sizeof(ProgramDir)) {
            ProgramDir[0] = '\0';
            return ProgramDir;
        }
        char* slash = strrchr(ProgramDir, '\\');
        if (slash != nullptr)
            *slash = '\0';
    }
    return ProgramDir;
}

void OpenSetupLog()
{
    // In the Windows directory, where driver tools keep their logs: the
    // program's own folder is the package folder, which may be read-only
    // media and must keep exactly its own files.
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, sizeof(windows));
    if (length == 0 || length >= sizeof(windows))
        return;
    char path[MAX_PATH];
    if (!FormatInto(path, "%s\\QuorUsb.log", windows))
        return;
    LogFile = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
}

void CloseSetupLog()
{
    if (LogFile != INVALID_HANDLE_VALUE)
        CloseHandle(LogFile);
    LogFile = INVALID_HANDLE_VALUE;
}

void SetupLog(const char* format, ...)
{
    char text[1024];
    char line[1200];
    va_list args;
    va_start(args, format);
    if (!FormatBoundedV(text, sizeof(text), format, args))
        strcpy(text, "(log line too long)");
    va_end(args);

    SYSTEMTIME now;
    GetLocalTime(&now);
    if (!FormatInto(line, "%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] QuorUsb: %s\r\n", now.wYear, now.wMonth,
                    now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, GetCurrentProcessId(), text))
        return;
    OutputDebugStringA(line);
    if (LogFile != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(LogFile, line, (DWORD)strlen(line), &written, nullptr);
    }
}
