#include "os_class.h"

int OsClass = 0;

int ComputeOsClass()
{
    return 10;
}
