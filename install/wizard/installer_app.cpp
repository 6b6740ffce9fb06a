#include "installer_app.h"

#include "main_window.h"
#include "message_loop.h"
#include "os_class.h"
#include "package_refusal.h"
#include "resource_ids.h"
#include "run_log.h"
#include "uninstall_mode.h"

bool IsUninstallCommandLine(const char* commandLine)
{
    return commandLine != nullptr && commandLine[0] == '/' && commandLine[1] == 'u' && commandLine[2] == '\0';
}

void RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_INSTALL));
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_INSTALL_SMALL));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_ACTIVECAPTION + 1);
    windowClass.lpszClassName = WindowClassName;
    RegisterClassExA(&windowClass);
}

bool CreateMainWindow(HINSTANCE instance, int showCommand)
{
    HDC screen = GetDC(nullptr);
    ScreenWidth = GetDeviceCaps(screen, HORZRES);
    ScreenHeight = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);

    HWND window = CreateWindowExA(0, WindowClassName, WindowTitle, WS_OVERLAPPED, 0, 0, ScreenWidth, ScreenHeight,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return false;
    MainWindow = window;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return true;
}

int RunMessageLoop(HINSTANCE instance)
{
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_INSTALL));
    return RunMessagesUntilQuit(accelerators);
}

int RunInstaller(HINSTANCE instance, const char* commandLine, int showCommand)
{
    InstanceHandle = instance;
    LoadStringA(instance, IDS_APP_TITLE, WindowTitle, InstallerTextSize);
    LoadStringA(instance, IDS_WINDOW_CLASS, WindowClassName, InstallerTextSize);
    OsClass = ComputeOsClass();
    if (OsClass == 0) {
        MessageBoxA(nullptr, "NOT SUPPORT OS!", SetupCaption, MB_ICONERROR | MB_OK);
        return 0;
    }
    BeginRunLog();
    if (IsUninstallCommandLine(commandLine)) {
        RunUninstallMode();
        EndRunLog();
        return 0;
    }
    if (RefuseWherePackageInstalled(SetupCaption)) {
        SetRunOutcome("refused: the Windows Installer package is installed");
        EndRunLog();
        return 0;
    }
    RegisterMainWindowClass(instance);
    int result = CreateMainWindow(instance, showCommand) ? RunMessageLoop(instance) : 0;
    EndRunLog();
    return result;
}
