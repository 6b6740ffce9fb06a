// Where the programs load DLLs from: the system directory, never the folder
// they were started from. A package folder on a download folder or a shared
// disc may hold a DLL that carries a system DLL's name.
#pragma once
#include <windows.h>

enum class LibrarySearch {
    SystemDirectoryOnly,      // SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)
    CurrentDirectoryRemoved,  // SetDllDirectoryA(""): Windows without SetDefaultDllDirectories
    Unchanged,                // neither call succeeded
};

// Narrows the process's DLL search path; the first thing each program does.
// SetDefaultDllDirectories is looked up at run time: 64-bit Windows before
// Windows 8 has it only with the 2011 loader update, and a static import of
// it keeps the program from starting at all there. Where it is missing, only
// the current directory leaves the search path; the application's own folder
// stays in it. So every DLL of PreloadedSystemLibraries is then loaded from
// the system directory at once, before the first window, dialog or COM
// call: a later load by name finds it loaded and never looks into that
// folder. Other system DLLs are loaded with LoadSystemLibrary.
LibrarySearch RestrictLibrarySearch();

// The narrowing alone, for a program that never makes a window or dialog:
// PreloadedSystemLibraries are the libraries of windows, and loading them
// would bring up the whole windowing system (under Wine about 50 ms of each
// start, most of the start of the setup tool) for nothing.
LibrarySearch NarrowLibrarySearch();

// The system DLLs that the programs come to load by name after start-up,
// beyond what their import tables load before any of their code runs; a
// null entry ends the list.
extern const char* const PreloadedSystemLibraries[];

// Loads a DLL by its full path in the system directory (its own dependencies
// are looked for there first). nullptr with the last-error code set when it
// can't be loaded or the path does not fit.
HMODULE LoadSystemLibrary(const char* fileName);

// For tests: when true, RestrictLibrarySearch acts as on a Windows whose
// kernel32 does not export SetDefaultDllDirectories.
extern bool HideSetDefaultDllDirectories;
