// The setup library, loaded from the system directory when the tool needs it
// instead of being imported: the tool runs from the package folder, and an
// imported DLL is looked for in the program's own folder first, before the
// program has run a single line.
#pragma once
#include <windows.h>
#include <setupapi.h>

struct SetupLibrary {
    HMODULE Module;
    HINF(WINAPI* OpenInfFile)(PCSTR fileName, PCSTR infClass, DWORD infStyle, PUINT errorLine);
    BOOL(WINAPI* InstallServicesFromInfSection)(HINF inf, PCSTR sectionName, DWORD flags);
    void(WINAPI* CloseInfFile)(HINF inf);
};

// False, with the last-error code set, when Setupapi.dll or one of the three
// functions can't be found; nothing stays loaded then.
bool LoadSetupLibrary(SetupLibrary* library);
void FreeSetupLibrary(SetupLibrary* library);
