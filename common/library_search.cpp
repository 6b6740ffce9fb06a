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

// Found by logging every DLL each program loads (Wine's +loaddll channel)
// through a whole run: the wizard to Finish, the calibration tool to "OK",
// the removal through its Start-menu link, and the tool started from the
// Control Panel applet. Listed are the loads made by name after the
// program's own code has started, less Wine's display driver and less the
// KnownDLLs of every Windows from 5.2 on (ole32.dll, rpcrt4.dll; combase.dll
// from 8 on), which Windows never loads from a program's folder. Windows
// itself loads more of its own DLLs here than Wine does; a DLL found so is
// added here.
const char* const PreloadedSystemLibraries[] = {
    "uxtheme.dll",  // themes, at the first window or dialog of either program
    nullptr,
};

static void PreloadSystemLibraries()
{
    for (const char* const* name = PreloadedSystemLibraries; *name != nullptr; ++name)
        LoadSystemLibrary(*name);
}

LibrarySearch NarrowLibrarySearch()
{
    const DWORD searchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    SetDefaultDllDirectoriesProc setDefaultDllDirectories = FindSetDefaultDllDirectories();
    LibrarySearch search = LibrarySearch::Unchanged;
    if (setDefaultDllDirectories != nullptr && setDefaultDllDirectories(searchSystem32))
        search = LibrarySearch::SystemDirectoryOnly;
    else if (SetDllDirectoryA(""))
        search = LibrarySearch::CurrentDirectoryRemoved;
    return search;
}

LibrarySearch RestrictLibrarySearch()
{
    LibrarySearch search = NarrowLibrarySearch();
    // Also where the search is narrowed: a system DLL's own delayed imports
    // may be resolved past the default directories (seen under Wine for the
    // setup tool's rpcrt4.dll), and these DLLs would be loaded soon anyway.
    PreloadSystemLibraries();
    return search;
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
