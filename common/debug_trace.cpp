#include "debug_trace.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

static DebugTraceSink TraceSink = nullptr;

void SetDebugTraceSink(DebugTraceSink sink)
{
    TraceSink = sink;
}

void DebugTrace(int level, const char* format, ...)
{
    if (level > DebugTraceThreshold)
        return;
    char text[DebugTraceBufferSize] = {};
    va_list args;
    va_start(args, format);
    int n = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0)
        return;
    OutputDebugStringA(text);
    if (TraceSink != nullptr)
        TraceSink(text);
}
