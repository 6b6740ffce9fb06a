// Where the programs load DLLs from. A "Setupapi.dll" is planted beside a
// copy of this test program, and each case runs in that copy as a process of
// its own (a search path, once narrowed, can't be put back), with Wine told
// to prefer a DLL found beside the program, as Windows does.
#include <gtest/gtest.h>

#include <cstring>

#include "library_search.h"
#include "test_support.h"

namespace {

const char PlantDirectory[] = "C:\\planted";

// The system's Setupapi.dll is what got loaded, from the system directory.
bool IsSystemSetupapi(HMODULE module)
{
    char path[MAX_PATH] = {}, system[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    return module != nullptr && _stricmp(path, JoinPath(system, "Setupapi.dll").c_str()) == 0;
}

// Loads Setupapi.dll by name, as a program that does nothing about it would.
TEST_CHILD_ACTION(LoadSetupapiByName)
{
    (void)argument;
    return LoadLibraryA("Setupapi.dll") != nullptr ? 0 : 1;
}

// Narrows the search as the programs do ("hide": as if kernel32 lacked
// SetDefaultDllDirectories), then loads Setupapi.dll as the installer does.
// Exit code: the LibrarySearch taken, or 10 when the system's DLL did not load.
TEST_CHILD_ACTION(LoadSetupapiLikeThePrograms)
{
    HideSetDefaultDllDirectories = strcmp(argument, "hide") == 0;
    LibrarySearch search = RestrictLibrarySearch();
    if (!IsSystemSetupapi(LoadSystemLibrary("Setupapi.dll")))
        return 10;
    // Where the default directories are narrowed, a load by name is safe too.
    if (search == LibrarySearch::SystemDirectoryOnly && !IsSystemSetupapi(LoadLibraryA("Setupapi.dll")))
        return 10;
    return static_cast<int>(search);
}

int RunBesideThePlant(const char* action, const char* argument = "")
{
    std::string copy = JoinPath(PlantDirectory, "library_search_probe.exe");
    return RunProcess("\"" + copy + "\" --child " + action + " \"" + argument + "\"");
}

TEST(LibrarySearch, SetupapiPlantedBesideTheProgramIsNeverLoaded)
{
    CreateDirectoryA(PlantDirectory, nullptr);
    ASSERT_TRUE(CopyFileA(SelfPath().c_str(), JoinPath(PlantDirectory, "library_search_probe.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(PlantedSetupapiPath().c_str(), JoinPath(PlantDirectory, "Setupapi.dll").c_str(), FALSE));
    PreferDllsBesideThePrograms();

    // The plant works: a program that loads the DLL by name gets it.
    DeleteFileA(PlantedDllMarker);
    EXPECT_EQ(0, RunBesideThePlant("LoadSetupapiByName"));
    EXPECT_NE(std::string::npos, ReadTextFile(PlantedDllMarker).find("library_search_probe.exe"));

    // Where kernel32 has SetDefaultDllDirectories (Windows 8 on, and Wine).
    DeleteFileA(PlantedDllMarker);
    EXPECT_EQ(static_cast<int>(LibrarySearch::SystemDirectoryOnly), RunBesideThePlant("LoadSetupapiLikeThePrograms"));
    EXPECT_FALSE(FileExists(PlantedDllMarker)) << ReadTextFile(PlantedDllMarker);

    // Where it does not (5.2, Vista, Windows 7 without the loader update).
    EXPECT_EQ(static_cast<int>(LibrarySearch::CurrentDirectoryRemoved),
              RunBesideThePlant("LoadSetupapiLikeThePrograms", "hide"));
    EXPECT_FALSE(FileExists(PlantedDllMarker)) << ReadTextFile(PlantedDllMarker);
}

TEST(LibrarySearch, LoadSystemLibraryRefusesWhatIsNotInTheSystemDirectory)
{
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadSystemLibrary("NoSuchLibrary.dll"));
    EXPECT_NE(0u, GetLastError());
    std::string longName(MAX_PATH, 'x');
    EXPECT_EQ(nullptr, LoadSystemLibrary(longName.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
}

}  // namespace
