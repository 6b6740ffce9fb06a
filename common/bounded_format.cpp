#include "bounded_format.h"

#include <cstdio>

bool FormatBoundedV(char* buf, size_t size, const char* format, va_list args)
{
    if (buf == nullptr || size == 0)
        return false;
    int n = vsnprintf(buf, size, format, args);
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
