#include "bounded_format.h"

#include <cstdio>

bool FormatBoundedV(char* buf, size_t size, const char* format, va_list args)
{
    if (buf == nullptr || size == 0)
        return false;
    // The system C runtime's formatting (the formats here are the ones it
    // and every Windows since 5.2 know): -1 when the text does not fit, and
    // no terminator when it fills the buffer exactly; both fail here. The
    // compiler's own C99 formatting would add 20 KB to each program.
    int n = _vsnprintf(buf, size, format, args);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        buf[0] = '\0';
        return false;
    }
    return true;
}

bool FormatBounded(char* buf, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    bool ok = FormatBoundedV(buf, size, format, args);
    va_end(args);
    return ok;
}
