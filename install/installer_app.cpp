#include "installer_app.h"

#include "os_class.h"

int RunInstaller(HINSTANCE, const char*, int)
{
    OsClass = ComputeOsClass();
    return 0;
}
