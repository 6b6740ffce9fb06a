// The empty full-screen main window that opens the wizard.
#pragma once
#include <windows.h>

constexpr UINT_PTR WelcomeTimerId = 101;
constexpr UINT WelcomeDelayMs = 300;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
