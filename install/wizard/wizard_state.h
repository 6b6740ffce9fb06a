// The process-wide state of the wizard's windows, and the captions of the
// installer's message boxes.
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

// Captions of the installer's message boxes.
extern const char SetupCaption[];      // "Quortouch USB Touchscreen Setup"
extern const char UninstallCaption[];  // "Quortouch USB Touchscreen Uninstall"
