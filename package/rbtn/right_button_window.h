// RBtn.exe's small topmost tool window: its button makes the next touch a
// right-button click.
#pragma once
#include <windows.h>

extern const char RightButtonTitle[];
extern const char RightButtonClass[];
extern const char DriverNotRunningFormat[];
extern const char WaitingText[];
extern const char PendingText[];
constexpr int RightClickButtonId = 100;
constexpr int StatusTextId = 101;

bool RegisterRightButtonClass(HINSTANCE instance);
HWND CreateRightButtonWindow(HINSTANCE instance, int showCommand);
LRESULT CALLBACK RightButtonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
