// Driving the installer's real windows from a test program: finding them,
// reading their controls, pressing their buttons and taking screenshots.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Polls every 5 ms until the condition holds; false after timeoutMs.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// A visible top-level window of that class and title (either may be null),
// optionally only of one process (processId 0 = any).
HWND FindTopWindow(const char* className, const char* title, DWORD processId = 0);
HWND WaitForTopWindow(const char* className, const char* title, DWORD timeoutMs, DWORD processId = 0);
bool WaitForWindowGone(HWND window, DWORD timeoutMs);

std::string WindowText(HWND window);
std::string ClassNameOf(HWND window);
RECT WindowRectOf(HWND window);
// True when the window's rectangle is centred on the screen within a pixel.
bool IsCentredOnScreen(HWND window);

// A message box's text, its icon kind (MB_ICONERROR, MB_ICONWARNING,
// MB_ICONINFORMATION, MB_ICONQUESTION or 0) and its button texts.
struct MessageBoxView {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    UINT icon = 0;
    std::vector<std::string> buttons;
    HWND owner = nullptr;
};
MessageBoxView ReadMessageBox(HWND box);
// Waits for a dialog-class window with that caption that is a message box
// (it has a static text and no control with the wizard's ids).
HWND WaitForMessageBox(const char* caption, DWORD timeoutMs, DWORD processId = 0);
// Presses the button of that id (IDOK, IDYES, IDNO, ...) of a message box or
// dialog: a BM_CLICK posted to it, as a mouse click would.
bool PressButton(HWND dialog, int id);

// Saves a PNG of the whole screen into the artifacts folder.
bool SaveScreenshot(const std::string& fileName);
