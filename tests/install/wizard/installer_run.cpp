#include "installer_run.h"

#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include "calibration_app.h"
#include "calibration_window.h"
#include "driver_contract.h"
#include "resource_ids.h"
#include "test_support.h"
#include "touchsim.h"

const char SetupTitle[] = "Quortouch USB Touchscreen Setup";
const char UninstallTitle[] = "Quortouch USB Touchscreen Uninstall";
const char WelcomeTitle[] = "Quortouch USB Touchscreen Setup(Welcome)";
const char ProgressTitle[] = "Quortouch USB Touchscreen Setup (Progressing...)";

std::string PackageDirectory()
{
    return "C:\\QuortouchPackage";
}

bool MakePackage(bool withReadMe)
{
    std::string dir = PackageDirectory();
    if (!WritePackage(dir, "placeholder"))
        return false;
    if (!withReadMe)
        DeleteFileA(JoinPath(dir, "ReadMe.txt").c_str());
    std::string bin = TestBinDir();
    std::string stage = JoinPath(bin, "package\\stage");
    struct {
        std::string from;
        const char* name;
    } const built[] = {
        {JoinPath(bin, "install\\wizard\\Install.exe"), "Install.exe"},
        {JoinPath(bin, "calibrate\\QuortouchUsb.exe"), "QuortouchUsb.exe"},
        {JoinPath(stage, "QuorUsb.exe"), "QuorUsb.exe"},
        {JoinPath(stage, "QuorUsb.inf"), "QuorUsb.inf"},
        {JoinPath(stage, "QuorUsb.sys"), "QuorUsb.sys"},
    };
    for (const auto& file : built)
        if (!CopyFileA(file.from.c_str(), JoinPath(dir, file.name).c_str(), FALSE))
            return false;
    return true;
}

bool ChangePackageFile(const char* name)
{
    std::string path = JoinPath(PackageDirectory(), name);
    return WriteTextFile(path, ReadTextFile(path) + "rebuilt");
}

HANDLE OpenRunningSetupTool()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return nullptr;
    HANDLE tool = nullptr;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more && tool == nullptr; more = Process32Next(snapshot, &entry))
        if (_stricmp(entry.szExeFile, "QuorUsb.exe") == 0)
            tool = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID);
    CloseHandle(snapshot);
    return tool;
}

bool HasStagedFile(const std::string& directory)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(directory, "qtu*.tmp").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return search != INVALID_HANDLE_VALUE;
}

bool StartInstaller(const std::string& exe, const std::string& arguments, InstallerProcess* installer)
{
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    std::string directory = exe.substr(0, exe.rfind('\\'));
    return installer->Start(commandLine, directory.c_str(), exe.c_str());
}

HWND WaitForMainWindow(const InstallerProcess& installer, DWORD timeoutMs)
{
    return WaitForTopWindow("INSTALL", SetupTitle, timeoutMs, installer.Id());
}

HWND WaitForWelcome(const InstallerProcess& installer, DWORD timeoutMs)
{
    return WaitForTopWindow("#32770", WelcomeTitle, timeoutMs, installer.Id());
}

DWORD MillisecondsSinceStart(const InstallerProcess& installer)
{
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(installer.Handle(), &created, &exited, &kernel, &user))
        return 0;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER from = {{created.dwLowDateTime, created.dwHighDateTime}};
    ULARGE_INTEGER to = {{now.dwLowDateTime, now.dwHighDateTime}};
    return static_cast<DWORD>((to.QuadPart - from.QuadPart) / 10000);
}

HWND WaitForProgress(const InstallerProcess& installer, DWORD timeoutMs)
{
    return WaitForTopWindow("#32770", ProgressTitle, timeoutMs, installer.Id());
}

bool IsControlEnabled(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr && IsWindowEnabled(control);
}

HWND WatchProgress(const InstallerProcess& installer, HWND progress, ProgressTrace* trace, DWORD timeoutMs)
{
    const int watched[] = {IDC_STATUS_FILES, IDC_STATUS_DEVICE, IDC_STATUS_LINKS, IDC_FINISH};
    bool seen[4] = {};
    DWORD start = GetTickCount();
    if (trace->ProgressShownTick == 0)
        trace->ProgressShownTick = start;
    for (;;) {
        for (int i = 0; i < 4; ++i) {
            if (!seen[i] && IsControlEnabled(progress, watched[i])) {
                seen[i] = true;
                trace->Enabled.push_back(watched[i]);
                trace->At.push_back(GetTickCount() - trace->ProgressShownTick);
                if (watched[i] == IDC_FINISH)
                    trace->FinishEnabledTick = GetTickCount();
            }
        }
        if (seen[3])
            return nullptr;
        if (HWND box = FindMessageBox(SetupTitle, installer.Id()))
            return box;
        if (!installer.Running() || GetTickCount() - start > timeoutMs)
            return nullptr;
        Sleep(2);
    }
}

HWND WaitForCalibrationWindow(DWORD timeoutMs)
{
    return WaitForTopWindow(CalibrationClassName, nullptr, timeoutMs);
}

bool CloseCalibrationTool(HWND window)
{
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    return WaitUntil([&] { return !IsWindow(window); }, 20000);
}

bool RunCompleteInstall(ProgressTrace* trace, HWND* calibrationWindow, const std::string& exe)
{
    ProgressTrace local;
    if (trace == nullptr)
        trace = &local;
    InstallerProcess installer;
    if (!StartInstaller(exe.empty() ? JoinPath(PackageDirectory(), "Install.exe") : exe, "", &installer))
        return false;
    HWND welcome = WaitForWelcome(installer);
    if (welcome == nullptr || !PressButton(welcome, IDC_NEXT)) {
        installer.Wait(1);
        return false;
    }
    trace->NextPressedTick = GetTickCount();
    HWND progress = WaitForProgress(installer);
    if (progress == nullptr) {
        installer.Wait(1);
        return false;
    }
    trace->ProgressShownTick = GetTickCount();
    if (WatchProgress(installer, progress, trace) != nullptr || !PressButton(progress, IDC_FINISH)) {
        installer.Wait(1);
        return false;
    }
    HWND question = WaitForMessageBox(SetupTitle, 30000, installer.Id());
    if (question == nullptr || !PressButton(question, IDNO)) {
        installer.Wait(1);
        return false;
    }
    if (installer.Wait(60000) != 0)
        return false;
    HWND tool = WaitForCalibrationWindow();
    if (calibrationWindow != nullptr)
        *calibrationWindow = tool;
    return tool != nullptr;
}

bool RunRemoval(const std::string& exe)
{
    InstallerProcess installer;
    if (!StartInstaller(exe, "/u", &installer))
        return false;
    HWND confirm = WaitForMessageBox(UninstallTitle, 20000, installer.Id());
    HWND question = nullptr;
    if (confirm != nullptr && PressButton(confirm, IDYES) && WaitUntil([&] { return !IsWindow(confirm); }, 10000))
        question = WaitForMessageBox(UninstallTitle, 60000, installer.Id());
    if (question == nullptr || !PressButton(question, IDNO)) {
        installer.Wait(1);
        return false;
    }
    return installer.Wait(60000) == 0;
}

bool CalibrateWithTouches(HWND tool, const char* screenshot)
{
    HANDLE device = TouchSimOpenDevice();
    if (device == INVALID_HANDLE_VALUE)
        return false;
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    bool ok = true;
    for (int state = 1; ok && state <= 4; ++state) {
        TOUCH_SIM_STATE before = {};
        POINT cross = CrossPosition(state, width, height);
        TouchResult touch;
        ok = TouchSimGetState(device, &before) && TouchSimTouch(device, cross.x, cross.y, &touch) &&
             WaitUntil(
                 [&] {
                     TOUCH_SIM_STATE now = {};
                     return TouchSimGetState(device, &now) && now.RawReadCount > before.RawReadCount;
                 },
                 10000);
    }
    HWND button = nullptr;
    ok = ok && WaitUntil(
                   [&] {
                       button = FindWindowExA(tool, nullptr, "Button", "OK");
                       return button != nullptr && IsWindowVisible(button);
                   },
                   15000);
    if (ok && screenshot != nullptr)
        SaveScreenshot(screenshot);
    TOUCH_SIM_STATE loaded = {};
    ok = ok && PostMessageA(button, BM_CLICK, 0, 0) && WaitUntil([&] { return !IsWindow(tool); }, 20000) &&
         TouchSimGetState(device, &loaded) && loaded.Calibration4Pt == 1;
    CloseHandle(device);
    return ok;
}

