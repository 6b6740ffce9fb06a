/* A "Setupapi.dll" (or a copy under another system DLL's name) to plant
   beside a program: whichever process loads it appends its own path and the
   DLL's to C:\PlantedDllLoaded.txt, with "(at start)" when it came with the
   program's imports. It exports nothing, so a
   program that got it instead of the system's would fail to use it. */
#include <string.h>
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        char program[2 * MAX_PATH + 20] = {0};
        DWORD length = GetModuleFileNameA(NULL, program, MAX_PATH);
        program[length++] = ' ';
        program[length++] = '<';
        program[length++] = ' ';
        length += GetModuleFileNameA(self, program + length, MAX_PATH);
        /* Loaded with the program's imports, before any of its code ran. */
        if (reserved != NULL) {
            memcpy(program + length, " (at start)", 11);
            length += 11;
        }
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
