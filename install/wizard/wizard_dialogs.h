// The Welcome, Progress and About dialogs of the setup wizard.
#pragma once
#include <windows.h>

constexpr UINT_PTR StepTimerId = 100;
constexpr UINT StepDelayMs = 100;
// After the user declined to cancel.
constexpr UINT ResumeDelayMs = 200;

// Progress-dialog ticks handled so far; selects the next step. Only grows.
extern int StepCounter;

INT_PTR CALLBACK WelcomeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the step that StepCounter names (one tick of timer 100).
void RunNextStep(HWND dialog);
// Finish: autostart value, restart question, start of the calibration tool.
void FinishSetup(HWND dialog);
// Starts QuortouchUsb.exe from the install directory, not waited for; a
// failure is ignored.
void StartCalibrationTool();
