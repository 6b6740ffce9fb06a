// Reading the message boxes of the programs under test: their text, icon kind
// and buttons. Finding windows, reading their controls, pressing their
// buttons and screenshots come from gui_support.h.
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
// A visible message box with that caption (null: any), optionally only of
// one process: a dialog-class window with the box's text control and no
// control of the installer wizard's ids.
HWND FindMessageBox(const char* caption, DWORD processId = 0);
HWND WaitForMessageBox(const char* caption, DWORD timeoutMs, DWORD processId = 0);
// Answers one such box: records what it shows in *seen, presses the button
// of that id and waits for the box to go. False when none shows now.
bool AnswerMessageBox(const char* caption, DWORD processId, int answer, std::vector<MessageBoxView>* seen);
