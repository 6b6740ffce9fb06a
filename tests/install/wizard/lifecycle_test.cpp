// The whole life of the package in one prefix, in two runs of the test
// program (tests/support/restart_runs.sh): install, calibrate with the touch simulator, "OK",
// remove through the Start-menu link; then, after the prefix has been ended
// and started again (a restart), the registry and the file tree are compared
// with what they were before the installation. It runs posing as the Windows
// version in WINE_RUN_WINDOWS_VERSION (Vista, where the log-on start is left
// out and the older DLL loader is used), with a "Setupapi.dll" and every
// system DLL that the programs load after start-up planted in the package
// folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "autostart.h"
#include "driver_contract.h"
#include "installer_run.h"
#include "library_search.h"
#include "parameter_store.h"
#include "system_snapshot.h"
#include "test_support.h"
#include "uninstall_entry.h"
#include "uninstall_entry_check.h"

namespace {

const char UninstallEntryKey[] = UNINSTALL_PARENT_KEY "\\" UNINSTALL_ENTRY_NAME;

// --- the Windows version the prefix poses as -------------------------------------

struct PosedVersion {
    const char* wineName;  // WINE_RUN_WINDOWS_VERSION
    DWORD major, minor;    // what GetVersionExA reports to a program
};

// Windows 10 answers 6.2 to a program whose manifest does not name it.
const PosedVersion PosedVersions[] = {{"vista", 6, 0}, {"win7", 6, 1}, {"win10", 6, 2}};

// The version the test was started for, checked against what Windows reports.
void ExpectPosedVersion(OSVERSIONINFOEXA* version)
{
    char name[32] = {};
    GetEnvironmentVariableA("WINE_RUN_WINDOWS_VERSION", name, sizeof name);
    memset(version, 0, sizeof *version);
    version->dwOSVersionInfoSize = sizeof *version;
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(version)));
    for (const PosedVersion& posed : PosedVersions)
        if (strcmp(name, posed.wineName) == 0) {
            EXPECT_EQ(posed.major, version->dwMajorVersion) << name;
            EXPECT_EQ(posed.minor, version->dwMinorVersion) << name;
            return;
        }
    ADD_FAILURE() << "WINE_RUN_WINDOWS_VERSION \"" << name << "\" is none of vista, win7, win10";
}

// The names of the files in a folder, lower-case.
std::set<std::string> FilesIn(const std::string& dir)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.insert(Lower(found.cFileName));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// The planted DLLs that a program loaded by name, one line each. Wine has no
// KnownDLLs: a plant named like a DLL of a program's import tables comes with
// the imports, before any code of the program runs (marked "(at start)").
std::string PlantsLoadedByName()
{
    std::string lines = ReadTextFile(PlantedDllMarker), byName;
    for (size_t start = 0, end; start < lines.size(); start = end + 1) {
        end = lines.find('\n', start);
        if (end == std::string::npos)
            end = lines.size();
        std::string line = lines.substr(start, end - start);
        if (line.find("(at start)") == std::string::npos)
            byName += line + "\n";
    }
    return byName;
}

// --- the first run: install, calibrate, remove ----------------------------------

TEST(LifeCycle, InstallCalibrateRemove)
{
    OSVERSIONINFOEXA version;
    ExpectPosedVersion(&version);
    bool vista = version.dwMajorVersion == 6 && version.dwMinorVersion == 0;
    ASSERT_TRUE(MakePackage());
    // Vista stands for the Windows versions without SetDefaultDllDirectories:
    // there the programs' own folder stays in the DLL search path.
    if (vista) {
        for (const char* program : {"Install.exe", "QuortouchUsb.exe"})
            ASSERT_TRUE(CopyFileA(JoinPath(TestBinDir(), std::string("tests\\old_loader\\") + program).c_str(),
                                  JoinPath(PackageDirectory(), program).c_str(), FALSE));
    }
    // DLLs named like the setup library and like every system DLL the
    // programs load after start-up, in the package folder, which Wine is
    // told to prefer, as Windows would: no program of the package may load one.
    ASSERT_TRUE(CopyFileA(PlantedSetupapiPath().c_str(), JoinPath(PackageDirectory(), "Setupapi.dll").c_str(), FALSE));
    PreferDllsBesideThePrograms();
    for (const char* const* dll = PreloadedSystemLibraries; *dll != nullptr; ++dll) {
        ASSERT_TRUE(CopyFileA(PlantedSetupapiPath().c_str(), JoinPath(PackageDirectory(), *dll).c_str(), FALSE));
        PreferDllsBesideThePrograms(std::string(*dll, strlen(*dll) - 4).c_str());
    }
    std::set<std::string> packageFiles = FilesIn(PackageDirectory());
    SaveSnapshot(TakeSnapshot(), "before.txt");

    HWND tool = nullptr;
    bool installed = RunCompleteInstall(nullptr, &tool);
    EXPECT_EQ("", PlantsLoadedByName()) << "planted DLLs loaded";
    ASSERT_TRUE(installed);
    EXPECT_NE(std::string::npos, ListedPrograms().find("VessaTouch|||Quortouch USB Touchscreen Driver"));
    // On 6.0 the tool is not registered to start at log-on; elsewhere it is.
    std::string autostart;
    EXPECT_EQ(!vista, ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &autostart));
    // The package folder is left as it was: the setup tool logs elsewhere.
    EXPECT_EQ(packageFiles, FilesIn(PackageDirectory()));
    ASSERT_TRUE(CalibrateWithTouches(tool, "lifecycle-check-screen.png"));
    DWORD flag = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationFlag, &flag));
    EXPECT_EQ(1u, flag);
    // "OK" takes the tool out of the log-on start.
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &autostart));
    // Put the value back as a second log-on would need it (written here,
    // since 6.0 writes none), so that the removal is seen to delete it.
    const char anyTool[] = "C:\\any\\QuortouchUsb.exe";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, RunKey, AutostartValueName, REG_SZ, anyTool, sizeof anyTool));

    // An upgrade over the running driver, whose file waits for the restart.
    ASSERT_TRUE(ChangePackageFile("QuorUsb.sys"));
    ASSERT_TRUE(RunCompleteInstall(nullptr, &tool) && CloseCalibrationTool(tool));
    EXPECT_TRUE(HasStagedFile(JoinPath(WindowsDir(), "System32\\Drivers")));

    // A stale entry of the Windows Installer package beside it (a product
    // that Windows Installer no longer knows): "/u" still removes the
    // wizard's installation, and the stale entry with it.
    const std::string staleEntry = std::string(UninstallParentKey) + "\\{0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9}";
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, staleEntry.c_str(), "DisplayName", UninstallDisplayName));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, staleEntry.c_str(), "WindowsInstaller", 1));

    // The removal, started as the Start-menu link starts it.
    std::string target, arguments, workingDirectory;
    ASSERT_TRUE(ReadShellLink(JoinPath(StartMenuGroupPath(), StartMenuLinkNames()[0]), &target, &arguments,
                              &workingDirectory));
    EXPECT_EQ(0, _stricmp(JoinPath(InstallDirectoryPath(), "Install.exe").c_str(), target.c_str())) << target;
    EXPECT_EQ("/u", arguments);
    EXPECT_EQ(0, _stricmp(InstallDirectoryPath().c_str(), workingDirectory.c_str())) << workingDirectory;
    InstallerProcess installer;
    ASSERT_TRUE(StartInstaller(target, arguments, &installer));
    HWND confirm = WaitForMessageBox(UninstallTitle, 20000, installer.Id());
    ASSERT_NE(nullptr, confirm);
    ASSERT_TRUE(PressButton(confirm, IDYES));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(confirm); }, 10000));
    HWND question = WaitForMessageBox(UninstallTitle, 60000, installer.Id());
    ASSERT_NE(nullptr, question);
    MessageBoxView view = ReadMessageBox(question);
    EXPECT_EQ("To make the uninstallation valid,you must restart your computer.\nRestart now?", view.text);
    EXPECT_EQ(UINT(MB_ICONINFORMATION), view.icon);
    EXPECT_EQ((std::vector<std::string>{"&Yes", "&No"}), view.buttons);
    SaveScreenshot("uninstall-restart.png");

    // Everything is gone but the running program and its directory.
    EXPECT_FALSE(TouchDeviceOpens());
    EXPECT_FALSE(DriverServiceExists());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallEntryKey));
    EXPECT_EQ(std::string::npos, ListedPrograms().find("VessaTouch"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, staleEntry.c_str()));
    for (const std::string& copy : SecondTargets(false))
        EXPECT_FALSE(FileExists(copy)) << copy;
    EXPECT_FALSE(DirectoryExists(StartMenuGroupPath()));
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, RunKey, AutostartValueName, &autostart));
    EXPECT_FALSE(FileExists(JoinPath(InstallDirectoryPath(), "QuortouchUsb.exe")));

    ASSERT_TRUE(PressButton(question, IDNO));
    EXPECT_EQ(0, installer.Wait(60000));
    // The program could not delete its own file while it ran: renamed (so a
    // later installation may use the name), it and then the directory wait
    // for the restart.
    EXPECT_FALSE(FileExists(JoinPath(InstallDirectoryPath(), "Install.exe")));
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                          "PendingFileRenameOperations", &type, &data));
    std::string list = Lower(std::string(data.begin(), data.end()));
    size_t file = list.find(Lower(InstallDirectoryPath()) + "\\qtu");
    size_t directory = list.find(Lower(InstallDirectoryPath()) + std::string(2, '\0'));
    EXPECT_NE(std::string::npos, file);
    EXPECT_NE(std::string::npos, directory);
    EXPECT_LT(file, directory);

    // Nor did the calibration or the removal load the planted DLL.
    EXPECT_EQ("", PlantsLoadedByName()) << "planted DLLs loaded";
}

// --- the second run, after the prefix restarted ---------------------------------

TEST(LifeCycleAfterRestart, InstallCalibrateRemove)
{
    EXPECT_FALSE(DirectoryExists(InstallDirectoryPath()));
    std::set<std::string> before = LoadSnapshot("before.txt");
    ASSERT_FALSE(before.empty());
    std::set<std::string> after = TakeSnapshot();
    SaveSnapshot(after, "after.txt");

    // What the removal knowingly leaves may stay (RemovalLeftovers), and the
    // setup log.
    std::set<std::string> leftovers = RemovalLeftovers;
    leftovers.insert(SetupLogItem);
    EXPECT_EQ("", SnapshotDifference(before, after, leftovers))
        << "+ left after the removal, - gone that was there before";
}

}  // namespace
