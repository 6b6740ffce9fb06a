// Stands in for the driver-setup tool where a test must see how it was
// started: writes "<startup flags>|<show command>|<command
// line>|<working directory>" to StartProbe.txt beside itself and ends with 0.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = strrchr(path, '\\');
    if (slash == nullptr || slash - path + sizeof "\\StartProbe.txt" > sizeof path)
        return 1;
    strcpy(slash, "\\StartProbe.txt");
    FILE* out = fopen(path, "wb");
    if (out == nullptr)
        return 1;
    fprintf(out, "%lu|%u|%s|%s", startup.dwFlags, startup.wShowWindow, GetCommandLineA(), directory);
    fclose(out);
    return 0;
}
