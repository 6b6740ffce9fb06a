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
    // The system C runtime's formatting, as in bounded_format.cpp: a line
    // too long for the buffer is cut (the last byte stays the terminator).
    _vsnprintf(text, sizeof text - 1, format, args);
    va_end(args);
    OutputDebugStringA(text);
    if (TraceSink != nullptr)
        TraceSink(text);
}
