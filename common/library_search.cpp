#include "library_search.h"

#include "bounded_format.h"

bool HideSetDefaultDllDirectories = false;

using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD);

static SetDefaultDllDirectoriesProc FindSetDefaultDllDirectories()
{
    if (HideSetDefaultDllDirectories)
        return nullptr;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr)
        return nullptr;
    return reinterpret_cast<SetDefaultDllDirectoriesProc>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
}

LibrarySearch RestrictLibrarySearch()
{
    const DWORD searchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    SetDefaultDllDirectoriesProc setDefaultDllDirectories = FindSetDefaultDllDirectories();
    if (setDefaultDllDirectories != nullptr && setDefaultDllDirectories(searchSystem32))
        return LibrarySearch::SystemDirectoryOnly;
    if (SetDllDirectoryA(""))
        return LibrarySearch::CurrentDirectoryRemoved;
    return LibrarySearch::Unchanged;
}

HMODULE LoadSystemLibrary(const char* fileName)
{
    char directory[MAX_PATH];
    UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0)
        return nullptr;
    char path[MAX_PATH];
    if (length >= MAX_PATH || !FormatInto(path, "%s\\%s", directory, fileName)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
