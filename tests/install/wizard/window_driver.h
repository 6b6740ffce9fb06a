// Reading the installer's message boxes from a test program: their text,
// icon kind and buttons. Finding windows, reading their controls, pressing
// their buttons and screenshots come from gui_support.h.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "gui_support.h"

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
