/* A "Setupapi.dll" to plant beside a program: whichever process loads it
   appends its own path to C:\PlantedDllLoaded.txt. It exports nothing, so a
   program that got it instead of the system's would fail to use it. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    (void)self;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char program[MAX_PATH + 2] = {0};
        DWORD length = GetModuleFileNameA(NULL, program, MAX_PATH);
        program[length] = '\r';
        program[length + 1] = '\n';
        HANDLE marker = CreateFileA("C:\\PlantedDllLoaded.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (marker != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(marker, program, length + 2, &written, NULL);
            CloseHandle(marker);
        }
    }
    return TRUE;
}
