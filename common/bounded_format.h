// Formatting into fixed buffers that never writes past the buffer.
#pragma once
#include <cstdarg>
#include <cstddef>

// Formats into buf (size bytes, terminator included). Returns true when the
// whole text fit. When it would not fit, or the format fails, buf holds the
// empty string and the result is false: a caller never uses a cut-off path.
bool FormatBoundedV(char* buf, size_t size, const char* format, va_list args);
bool FormatBounded(char* buf, size_t size, const char* format, ...)
    __attribute__((format(ms_printf, 3, 4)));

template <size_t N>
inline bool FormatInto(char (&buf)[N], const char* format, ...)
    __attribute__((format(ms_printf, 2, 3)));

template <size_t N>
inline bool FormatInto(char (&buf)[N], const char* format, ...)
{
    va_list args;
    va_start(args, format);
    bool ok = FormatBoundedV(buf, N, format, args);
    va_end(args);
    return ok;
}
