#include "setup_library.h"

#include "library_search.h"

template <typename Proc>
static bool Find(HMODULE module, const char* name, Proc* proc)
{
    *proc = reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return *proc != nullptr;
}

bool LoadSetupLibrary(SetupLibrary* library)
{
    *library = SetupLibrary();
    library->Module = LoadSystemLibrary("Setupapi.dll");
    if (library->Module == nullptr)
        return false;
    if (Find(library->Module, "SetupOpenInfFileA", &library->OpenInfFile) &&
        Find(library->Module, "SetupInstallServicesFromInfSectionA", &library->InstallServicesFromInfSection) &&
        Find(library->Module, "SetupCloseInfFile", &library->CloseInfFile))
        return true;
    DWORD error = GetLastError();
    FreeSetupLibrary(library);
    SetLastError(error);
    return false;
}

void FreeSetupLibrary(SetupLibrary* library)
{
    if (library->Module != nullptr)
        FreeLibrary(library->Module);
    *library = SetupLibrary();
}
