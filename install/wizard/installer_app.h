// The installer from process start to the end of its message loop, and the
// process-wide state of its windows.
#pragma once
#include <windows.h>

constexpr int InstallerTextSize = 100;

extern HINSTANCE InstanceHandle;
extern char WindowTitle[InstallerTextSize];      // string 103
extern char WindowClassName[InstallerTextSize];  // string 109
extern HWND MainWindow;
// Read when the main window is created; CentreOnScreen centres on them.
extern int ScreenWidth;
extern int ScreenHeight;

// Caption of the installer's message boxes.
extern const char SetupCaption[];      // "Quortouch USB Touchscreen Setup"
extern const char UninstallCaption[];  // "Quortouch USB Touchscreen Uninstall"

// The whole program: commandLine is the text after the program name.
// Returns the process exit code (0).
int RunInstaller(HINSTANCE instance, const char* commandLine, int showCommand);

// True only for the exact text "/u".
bool IsUninstallCommandLine(const char* commandLine);

// Confirmation, UninstallPackage, restart question.
void RunUninstallMode();

void RegisterMainWindowClass(HINSTANCE instance);
// Creates and shows the full-screen main window; false when it can't be made.
bool CreateMainWindow(HINSTANCE instance, int showCommand);
// Runs the main message loop with accelerator table 109; the quit code.
int RunMessageLoop(HINSTANCE instance);
