// Small helpers of the package tests for finding and driving windows that
// another thread or process shows.
#pragma once
#include <windows.h>

#include <string>

// Waits until a top-level window with this class (nullptr = any) and exact
// title (nullptr = any) is visible; nullptr after timeoutMs.
inline HWND WaitForTopWindow(const char* className, const char* title, DWORD timeoutMs = 10000)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(className, title);
        if (window && IsWindowVisible(window))
            return window;
        if (GetTickCount() - start > timeoutMs)
            return nullptr;
        Sleep(50);
    }
}

inline std::string ItemText(HWND dialog, int id)
{
    char text[1024] = {};
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

inline std::string WindowText(HWND window)
{
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

// The text of a message box: its static control 0xFFFF.
inline std::string MessageBoxText(HWND box)
{
    return ItemText(box, 0xFFFF);
}

// Waits for a file to appear; false after timeoutMs.
inline bool WaitForFile(const std::string& path, DWORD timeoutMs = 10000)
{
    DWORD start = GetTickCount();
    while (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}
