#include "msi_run.h"

#include <set>

#include "installer_run.h"
#include "test_support.h"

const char MsiProductName[] = "Quortouch USB Touchscreen Driver";

namespace {

const char UninstallParent[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string WindowLabel(HWND window)
{
    char className[128] = {};
    char title[256] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    return std::string(className) + " '" + title + "'";
}

BOOL CALLBACK CollectVisible(HWND window, LPARAM list)
{
    if (IsWindowVisible(window))
        reinterpret_cast<std::set<HWND>*>(list)->insert(window);
    return TRUE;
}

std::set<HWND> VisibleWindows()
{
    std::set<HWND> windows;
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace

std::string MsiPackagePath()
{
    return JoinPath(TestBinDir(), "package\\QuortouchUsb.msi");
}

std::string NextVersionMsiPath()
{
    return JoinPath(TestBinDir(), "tests\\install\\msi\\QuortouchUsb-next.msi");
}

std::string PreviousReleaseMsiPath()
{
    return JoinPath(PreviousReleaseDirectory(), "QuortouchUsb.msi");
}

bool MakeFullPackage()
{
    return CopyBuiltPackage(PackageDirectory());
}

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

MsiexecRun RunMsiexec(const std::string& arguments, const std::string& logName, DWORD timeoutMs)
{
    MsiexecRun run;
    std::string logPath = JoinPath(ArtifactsDir(), logName);
    DeleteFileA(logPath.c_str());
    std::string commandLine = "msiexec.exe " + arguments + " /l*v " + Quoted(logPath);
    std::set<HWND> before = VisibleWindows();

    StartedProcess msiexec;
    if (!msiexec.Start(commandLine))
        return run;
    // Every window that comes up while it runs.
    std::set<std::string> seen;
    WaitUntil(
        [&] {
            for (HWND window : VisibleWindows())
                if (!before.count(window))
                    seen.insert(WindowLabel(window));
            return !msiexec.Running();
        },
        timeoutMs);
    run.ExitCode = msiexec.Wait(5000);
    run.WindowsSeen.assign(seen.begin(), seen.end());
    run.Log = ReadTextFile(logPath);
    return run;
}

bool IsSuccessExit(int exitCode)
{
    return exitCode == ERROR_SUCCESS || exitCode == ERROR_SUCCESS_REBOOT_REQUIRED;
}

std::vector<ProductEntry> ProductEntries()
{
    std::vector<ProductEntry> entries;
    HKEY parent = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallParent, 0, KEY_READ, &parent) != ERROR_SUCCESS)
        return entries;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(parent, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        std::string path = std::string(UninstallParent) + "\\" + name;
        std::string displayName, version;
        if (!ReadString(HKEY_LOCAL_MACHINE, path.c_str(), "DisplayName", &displayName) ||
            displayName != MsiProductName)
            continue;
        ReadString(HKEY_LOCAL_MACHINE, path.c_str(), "DisplayVersion", &version);
        entries.push_back({name, version});
    }
    RegCloseKey(parent);
    return entries;
}
