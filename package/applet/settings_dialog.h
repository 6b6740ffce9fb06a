// The applet's one dialog: driver state, the settings list, the calibration
// state and the "Calibrate..." button.
#pragma once
#include <windows.h>

extern const char AppletTitle[];

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modally; returns when it is closed.
INT_PTR ShowSettingsDialog(HINSTANCE instance, HWND owner);
