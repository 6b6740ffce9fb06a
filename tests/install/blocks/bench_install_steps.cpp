// Times each installer step on its own in the Wine prefix it runs in:
// deployment of the package files, driver registration with the stand-in
// driver-setup tool (its real install, and its bare start), and the Start-menu
// shortcuts against the same five links saved by a bare program
// (tests/bench/bare_links); and the look for an installed Windows Installer
// package that "/u" and the wizard make, where the machine has no package
// entry, against what asking msi.dll costs. Prints "BENCH <name> <value>
// <unit>" lines.
//
//   bench_install_steps <build tree as a Linux path> [repetitions]
#include <windows.h>

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
#include "key_security.h"
#include "os_class.h"
#include "package_owner.h"
#include "shortcuts.h"
#include "test_support.h"

namespace {

const char PackageDir[] = "C:\\bench-package";

void Report(const char* name, double value, const char* unit)
{
    printf("BENCH %s %.1f %s\n", name, value, unit);
    fflush(stdout);
}

// The package as the build made it (build/package/QuortouchUsb): the built
// programs, the stand-in driver, .inf and setup tool, and the other files.
bool MakePackage(const std::string& buildTree)
{
    for (const PackageFileRow& row : PackageFileTable) {
        std::string built = buildTree + "\\package\\QuortouchUsb\\" + row.NameField;
        if (!CopyFileA(built.c_str(), (std::string(PackageDir) + "\\" + row.NameField).c_str(), FALSE))
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: bench_install_steps <build tree (Linux path)> [repetitions]\n");
        return 64;
    }
    std::string buildTree = std::string("Z:") + argv[1];
    std::replace(buildTree.begin(), buildTree.end(), '/', '\\');
    int repetitions = argc > 2 ? std::max(1, atoi(argv[2])) : 10;

    CreateDirectoryA(PackageDir, nullptr);
    if (!MakePackage(buildTree)) {
        fprintf(stderr, "bench: the package could not be made (error %lu)\n", GetLastError());
        return 1;
    }
    OsClass = 10;
    ComputeInstallPaths();
    strcpy(ModuleDirectory, PackageDir);

    // Deployment: the first run creates the files, the later ones overwrite.
    std::vector<double> times;
    for (int i = 0; i <= repetitions; ++i) {
        double start = NowMs();
        int result = DeployPackageFiles();
        double elapsed = NowMs() - start;
        if (result != 0) {
            fprintf(stderr, "bench: deployment failed (error %lu)\n", GetLastError());
            return 1;
        }
        if (i == 0)
            Report("install_deploy_files_first", elapsed, "ms");
        else
            times.push_back(elapsed);
    }
    Report("install_deploy_files", Median(times), "ms");
    double deploy = Median(times);

    // Driver registration: the first run installs and starts the service and
    // waits for the device; later runs find it installed.
    times.clear();
    double registerFirst = 0;
    for (int i = 0; i <= repetitions; ++i) {
        double start = NowMs();
        int result = RegisterDriver();
        double elapsed = NowMs() - start;
        if (result != 0) {
            fprintf(stderr, "bench: driver registration failed (error %lu)\n", GetLastError());
            return 1;
        }
        if (i == 0)
            registerFirst = elapsed;
        else
            times.push_back(elapsed);
    }
    Report("install_register_driver_first", registerFirst, "ms");
    Report("install_register_driver", Median(times), "ms");

    // The same step with the tool ending at once: the registry work, the
    // tool's process start and wait, and the key security.
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", "0");
    times.clear();
    for (int i = 0; i < repetitions; ++i) {
        double start = NowMs();
        RegisterDriver();
        times.push_back(NowMs() - start);
    }
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", nullptr);
    Report("install_register_driver_tool_start_only", Median(times), "ms");

    // The two parts of the driver step besides the tool: its registry entries
    // and the widening of the parameter key's access list.
    times.clear();
    std::vector<double> security;
    for (int i = 0; i < repetitions; ++i) {
        double start = NowMs();
        WriteDriverEntries();
        times.push_back(NowMs() - start);
        start = NowMs();
        SecureParameterKey();
        security.push_back(NowMs() - start);
    }
    Report("install_driver_entries", Median(times), "ms");
    Report("install_key_security", Median(security), "ms");

    // The shortcuts, with the bare program's links before and after them (its
    // exit code: the fastest of its rounds in microseconds).
    const std::string bareLinks =
        "\"" + buildTree + "\\tests\\bench\\bare_links.exe\" " + std::to_string(repetitions);
    std::vector<double> bare;
    int bareUs = RunProcess(bareLinks);
    if (bareUs > 0)
        bare.push_back(bareUs / 1000.0);
    times.clear();
    for (int i = 0; i < repetitions; ++i) {
        double start = NowMs();
        CreateStartMenuShortcuts();
        times.push_back(NowMs() - start);
    }
    bareUs = RunProcess(bareLinks);
    if (bareUs > 0)
        bare.push_back(bareUs / 1000.0);
    Report("install_shortcuts", Median(times), "ms");
    double shortcuts = Median(times);
    if (!bare.empty()) {
        Report("install_shortcuts_fastest", Fastest(times), "ms");
        Report("bare_links_fastest", Fastest(bare), "ms");
        printf("BENCH install_shortcuts_vs_bare_links %.2f ratio\n", Fastest(times) / Fastest(bare));
    } else {
        fprintf(stderr, "bench: bare_links.exe gave no figure\n");
    }

    // The look for the package without a package entry (the registry alone),
    // then what loading msi.dll and asking it about the upgrade code cost in
    // this process (once, cold, as a run of "/u" paid it on every removal).
    times.clear();
    PackageProducts installed, stale;
    for (int i = 0; i < repetitions; ++i) {
        double start = NowMs();
        FindInstalledPackages(&installed, &stale);
        times.push_back(NowMs() - start);
    }
    Report("removal_package_look_without_entry", Median(times), "ms");
    Report("removal_package_look_loaded_msi_dll", GetModuleHandleA("msi.dll") != nullptr ? 1 : 0, "flag");
    double start = NowMs();
    HMODULE msi = LoadLibraryA("msi.dll");
    using EnumRelated = UINT(WINAPI*)(LPCSTR, DWORD, DWORD, LPSTR);
    auto enumRelated = msi == nullptr ? nullptr
                                      : reinterpret_cast<EnumRelated>(
                                            reinterpret_cast<void*>(GetProcAddress(msi, "MsiEnumRelatedProductsA")));
    char code[ProductCodeSize];
    if (enumRelated != nullptr)
        enumRelated("{" PACKAGE_UPGRADE_CODE "}", 0, 0, code);
    Report("msi_dll_load_and_first_query", NowMs() - start, "ms");

    // Against the wizard's floor of four 100 ms ticks.
    Report("install_steps_total_first_install", deploy + registerFirst + shortcuts, "ms");
    return 0;
}
