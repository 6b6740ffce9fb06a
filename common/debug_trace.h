// Levelled debug output of both programs.
#pragma once

// Messages above this level are dropped. Every call in the programs uses 0.
constexpr int DebugTraceThreshold = 0;
constexpr int DebugTraceBufferSize = 1024;

// Formats the message into a zero-filled 1024-byte buffer (a longer text is
// cut at the buffer's end) and passes it to OutputDebugStringA.
void DebugTrace(int level, const char* format, ...) __attribute__((format(ms_printf, 2, 3)));

// Test hook: each formatted message is also handed to this function.
using DebugTraceSink = void (*)(const char* text);
void SetDebugTraceSink(DebugTraceSink sink);
