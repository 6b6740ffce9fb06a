// The wizard's run in the setup log: header, lines, outcome.
#include "run_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstring>

#include "action_log.h"
#include "bounded_format.h"
#include "debug_trace.h"
#include "install_paths.h"
#include "setup_log.h"

namespace {

char Outcome[256] = "ended before any step ran";

// A DebugTrace message as a line of its own, without its line end.
void ForwardTrace(const char* text)
{
    char line[DebugTraceBufferSize];
    if (!FormatInto(line, "trace: %s", text))
        return;
    size_t length = strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
        line[--length] = '\0';
    WriteSetupLogLine(line);
}

}  // namespace

void BeginRunLog()
{
    char program[MAX_PATH] = "Install.exe";
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const char* name = length > 0 && length < sizeof path ? strrchr(path, '\\') : nullptr;
    if (name != nullptr)
        FormatInto(program, "%s", name + 1);
    ComputeInstallPaths();
    if (!BeginSetupLog(program, GetCommandLineA(), ModuleDirectory))
        return;
    SetActionLogSink(WriteSetupLogLine);
    SetDebugTraceSink(ForwardTrace);
}

void SetRunOutcome(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatBoundedV(Outcome, sizeof Outcome, format, args);
    va_end(args);
}

void EndRunLog()
{
    SetActionLogSink(nullptr);
    SetDebugTraceSink(nullptr);
    EndSetupLog(Outcome);
}
