// The window of the handwriting demo: write with the touchscreen (or mouse)
// while the button is down; "Clear" wipes the page.
#pragma once
#include <windows.h>

extern const char HandwritingTitle[];
extern const char HandwritingClass[];
constexpr int ClearButtonId = 100;
constexpr COLORREF InkColour = RGB(0, 0, 160);
constexpr int InkWidth = 3;

bool RegisterHandwritingClass(HINSTANCE instance);
HWND CreateHandwritingWindow(HINSTANCE instance, int showCommand);
LRESULT CALLBACK HandwritingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
