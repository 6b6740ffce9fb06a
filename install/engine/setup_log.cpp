// The setup log: a run's header, its time-stamped lines and its outcome,
// appended with WriteFile, one call a line, and capped by whole runs.
#include "setup_log.h"

#include <cstdlib>
#include <cstring>

#include "bounded_format.h"
#include "os_class.h"
#include "package_version.h"

const char SetupLogName[] = "QuortouchSetup.log";
const char SetupLogRunMarker[] = "==== ";

namespace {

constexpr DWORD OutcomeReserve = 512;
constexpr size_t LineSize = 2048;

HANDLE LogFile = INVALID_HANDLE_VALUE;
DWORD RunBytes = 0;
bool RunShareFull = false;

void WriteRaw(const char* text)
{
    DWORD length = static_cast<DWORD>(strlen(text));
    DWORD written = 0;
    if (WriteFile(LogFile, text, length, &written, nullptr))
        RunBytes += written;
}

// The line with its line end; a line end inside it becomes a space, so that
// only a header begins a line with the marker.
void WriteLine(const char* text)
{
    char line[LineSize + 2];
    if (!FormatInto(line, "%.2047s\r\n", text))
        return;
    for (char* c = line; c[2] != '\0'; ++c)
        if (*c == '\r' || *c == '\n')
            *c = ' ';
    WriteRaw(line);
}

void FormatTime(char (&text)[32], bool withDate)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (withDate)
        FormatInto(text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                   now.wSecond);
    else
        FormatInto(text, "%02u:%02u:%02u.%03u", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
}

// Keeps at most keep bytes of the log, from the first run header inside
// them on: the older runs go whole. The rest is written to a new file that
// then replaces the log, so that a run killed meanwhile loses no log.
void DropOldestRuns(const char* path, DWORD keep)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    LARGE_INTEGER size = {};
    // The byte before the kept part too: it tells whether a header starts
    // right at the kept part's beginning.
    char* tail = nullptr;
    DWORD read = 0;
    if (GetFileSizeEx(file, &size) && size.QuadPart > keep) {
        LARGE_INTEGER from;
        from.QuadPart = size.QuadPart - keep - 1;
        tail = static_cast<char*>(malloc(keep + 2));
        if (tail != nullptr && (!SetFilePointerEx(file, from, nullptr, FILE_BEGIN) ||
                                !ReadFile(file, tail, keep + 1, &read, nullptr))) {
            free(tail);
            tail = nullptr;
        }
    }
    CloseHandle(file);
    if (tail == nullptr)
        return;
    tail[read] = '\0';
    size_t markerLength = strlen(SetupLogRunMarker);
    DWORD start = read;
    for (DWORD i = 0; i + markerLength < read; ++i) {
        if (tail[i] == '\n' && memcmp(tail + i + 1, SetupLogRunMarker, markerLength) == 0) {
            start = i + 1;
            break;
        }
    }
    char newPath[MAX_PATH];
    if (FormatInto(newPath, "%s.new", path)) {
        HANDLE fresh = CreateFileA(newPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (fresh != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            bool whole = WriteFile(fresh, tail + start, read - start, &written, nullptr) && written == read - start;
            CloseHandle(fresh);
            if (!whole || !MoveFileExA(newPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                DeleteFileA(newPath);
        }
    }
    free(tail);
}

void WriteHeader(const char* program, const char* commandLine, const char* packageFolder)
{
    char line[LineSize];
    char time[32];
    FormatTime(time, true);
    if (FormatInto(line, "%s%s %s %s", SetupLogRunMarker, time, program, PACKAGE_VERSION_TEXT))
        WriteLine(line);
    if (FormatInto(line, "command line: %.1900s", commandLine))
        WriteLine(line);
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && FormatInto(line, "Windows %lu.%lu.%lu %s, OsClass %d", version.dwMajorVersion,
                                              version.dwMinorVersion, version.dwBuildNumber, version.szCSDVersion,
                                              OsClass))
        WriteLine(line);
    if (FormatInto(line, "package folder: %s", packageFolder))
        WriteLine(line);
    char user[257] = {};
    DWORD userSize = sizeof user;
    if (!GetUserNameA(user, &userSize))
        FormatInto(user, "(unknown, error %lu)", GetLastError());
    if (FormatInto(line, "user: %s", user))
        WriteLine(line);
}

}  // namespace

bool SetupLogPath(char (&path)[MAX_PATH])
{
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    return length != 0 && length < sizeof windows && FormatInto(path, "%s\\%s", windows, SetupLogName);
}

bool BeginSetupLog(const char* program, const char* commandLine, const char* packageFolder)
{
    DWORD lastError = GetLastError();
    char path[MAX_PATH];
    if (LogFile != INVALID_HANDLE_VALUE || !SetupLogPath(path))
        return false;
    DropOldestRuns(path, SetupLogCapBytes - SetupLogRunBytes);
    LogFile = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    RunBytes = 0;
    RunShareFull = false;
    if (LogFile != INVALID_HANDLE_VALUE)
        WriteHeader(program, commandLine, packageFolder);
    SetLastError(lastError);
    return LogFile != INVALID_HANDLE_VALUE;
}

void WriteSetupLogLine(const char* line)
{
    if (LogFile == INVALID_HANDLE_VALUE || RunShareFull)
        return;
    DWORD lastError = GetLastError();
    char time[32];
    FormatTime(time, false);
    char text[LineSize];
    if (RunBytes + strlen(line) + 64 > SetupLogRunBytes - OutcomeReserve) {
        RunShareFull = true;
        FormatInto(text, "%s (the run's further lines are left out: its share of the log is full)", time);
    } else if (!FormatInto(text, "%s %s", time, line)) {
        FormatInto(text, "%s %.1900s...", time, line);
    }
    WriteLine(text);
    SetLastError(lastError);
}

void EndSetupLog(const char* outcome)
{
    if (LogFile == INVALID_HANDLE_VALUE)
        return;
    DWORD lastError = GetLastError();
    char time[32];
    FormatTime(time, false);
    char text[OutcomeReserve - 2];
    if (FormatInto(text, "%s outcome: %.400s", time, outcome))
        WriteLine(text);
    CloseHandle(LogFile);
    LogFile = INVALID_HANDLE_VALUE;
    SetLastError(lastError);
}
