// Our installer's three steps (the copies, the driver with its registry
// entries, the Start-menu links) against an installer built with NSIS that
// does the same work (tools/bench-nsis-installer.nsi), in one Wine prefix,
// from the same state each time: nothing installed, no driver. Prints
// "BENCH <name> <value> <unit>" lines (tools/bench-nsis runs it).
//
//   install_work_bench <package folder> <NSIS installer> [rounds]   (Linux paths)
//
// Ours runs in this process, timed around the three calls. The NSIS
// installer is timed as a process, less the start of a bare process
// (tests/bench/bare_start, beside this program). After every install the
// same checks confirm that the work was done; then everything is removed.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "deployment.h"
#include "driver_registration.h"
#include "install_paths.h"
#include "os_class.h"
#include "parameter_store.h"
#include "installed_system.h"
#include "shortcuts.h"
#include "test_support.h"
#include "touchsim.h"
#include "uninstall.h"
#include "uninstall_entry.h"

namespace {

const char PackageDir[] = "C:\\bench-package";
const char NsisInstaller[] = "C:\\bench-package\\nsis-setup.exe";

void Report(const char* name, double value, const char* unit)
{
    printf("BENCH %s %.1f %s\n", name, value, unit);
    fflush(stdout);
}

std::string WindowsPath(const char* linuxPath)
{
    std::string path = std::string("Z:") + linuxPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// Runs the command line and waits; the time from the start to the end of the
// process in *ms. False when it did not start or ended with an exit code
// other than 0.
bool RunTimed(const std::string& commandLine, double* ms)
{
    StartedProcess process;
    double start = NowMs();
    if (!process.Start(commandLine, PackageDir))
        return false;
    int code = process.Wait(120000);
    *ms = NowMs() - start;
    return code == 0;
}

// The size of a file, or -1 when it is missing.
long long FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// What an install must leave: every copy at the package file's size, the
// uninstall entry, the nineteen parameter defaults, the links and a
// running driver. Empty when all is there, else what is missing.
std::string MissingAfterInstall()
{
    std::string windows = WindowsDirectory;
    for (const PackageFileRow& row : PackageFileTable) {
        long long size = FileSize(std::string(PackageDir) + "\\" + row.NameField);
        if (FileSize(windows + "\\" + InstallDirectoryName + "\\" + row.NameField) != size)
            return std::string("the copy of ") + row.NameField;
        if (row.NtTarget[0] != '\0' && FileSize(windows + "\\" + row.NtTarget) != size)
            return row.NtTarget;
    }
    char text[MAX_PATH] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString", RRF_RT_REG_SZ, nullptr, text, &size) !=
            ERROR_SUCCESS ||
        windows + "\\" + InstallDirectoryName + "\\" INSTALLER_FILE_NAME " /u" != text)
        return "the uninstall entry";
    for (const DeviceParameter& parameter : DeviceParameterTable) {
        DWORD value = 0;
        size = sizeof value;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, ParameterKey, parameter.Name, RRF_RT_REG_DWORD, nullptr, &value,
                         &size) != ERROR_SUCCESS ||
            value != parameter.Default)
            return std::string("the parameter ") + parameter.Name;
    }
    char programs[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, programs)))
        return "the Programs folder";
    for (const std::string& link : StartMenuLinkNames())
        if (FileSize(std::string(programs) + "\\" + StartMenuFolderName + "\\" + link) <= 0)
            return link;
    HANDLE device = TouchSimOpenDevice();
    if (device == INVALID_HANDLE_VALUE)
        return "the driver";
    CloseHandle(device);
    return "";
}

// Back to nothing installed: the setup tool removes the driver, then the
// removal's own clean-up.
void RemoveInstall()
{
    TouchSimRemoveDriver(PackageDir);
    DeleteUninstallEntry();
    RemoveDriverEntries();
    RemoveDeployedFiles();
}

bool TimedOurSteps(double* ms)
{
    double start = NowMs();
    bool ok = DeployPackageFiles() == 0 && RegisterDriver() == 0 && CreateStartMenuShortcuts() == 0;
    *ms = NowMs() - start;
    return ok;
}

bool CheckedInstall(const char* who, bool ran)
{
    std::string missing = ran ? MissingAfterInstall() : "its run";
    if (!missing.empty())
        fprintf(stderr, "bench: %s: %s failed or is missing\n", who, missing.c_str());
    RemoveInstall();
    return missing.empty();
}

bool CopyPackage(const std::string& from, const std::string& installer)
{
    CreateDirectoryA(PackageDir, nullptr);
    for (const PackageFileRow& row : PackageFileTable)
        if (!CopyFileA((from + "\\" + row.NameField).c_str(), (std::string(PackageDir) + "\\" + row.NameField).c_str(),
                       FALSE))
            return false;
    return CopyFileA(installer.c_str(), NsisInstaller, FALSE) != FALSE;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: install_work_bench <package folder> <NSIS installer> [rounds]\n");
        return 64;
    }
    int rounds = argc > 3 ? std::max(1, atoi(argv[3])) : 5;
    if (!CopyPackage(WindowsPath(argv[1]), WindowsPath(argv[2]))) {
        fprintf(stderr, "bench: the package could not be copied (error %lu)\n", GetLastError());
        return 1;
    }
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    *strrchr(self, '\\') = '\0';
    const std::string bareStart = std::string("\"") + self + "\\bare_start.exe\"";
    const std::string nsis = std::string("\"") + NsisInstaller + "\" /S";

    OsClass = 10;
    ComputeInstallPaths();
    strcpy(ModuleDirectory, PackageDir);

    // Warm-up: the first run of each pays for loading what later runs find.
    double ms = 0;
    if (!CheckedInstall("our steps", TimedOurSteps(&ms)) || !CheckedInstall("NSIS", RunTimed(nsis, &ms)))
        return 1;

    std::vector<double> ours, nsisRuns, bare;
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn + round) % 2 == 0) {
                if (!CheckedInstall("our steps", TimedOurSteps(&ms)))
                    return 1;
                ours.push_back(ms);
            } else {
                if (!RunTimed(bareStart, &ms))
                    return 1;
                bare.push_back(ms);
                if (!CheckedInstall("NSIS", RunTimed(nsis, &ms)))
                    return 1;
                nsisRuns.push_back(ms);
            }
        }
    }
    Report("install_work_ours", Median(ours), "ms");
    Report("install_work_nsis_process", Median(nsisRuns), "ms");
    Report("bare_process_start", Median(bare), "ms");
    Report("install_work_nsis", Median(nsisRuns) - Median(bare), "ms");
    Report("install_work_ours_fastest", Fastest(ours), "ms");
    Report("install_work_nsis_fastest", Fastest(nsisRuns) - Fastest(bare), "ms");
    // Below 1: ours is ahead.
    printf("BENCH install_work_vs_nsis %.2f ratio\n", Fastest(ours) / (Fastest(nsisRuns) - Fastest(bare)));
    return 0;
}
