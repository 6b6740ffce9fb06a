// Pointer input for the package tests: moves and button presses through
// SendInput, in screen pixels.
#pragma once
#include <windows.h>

inline void MovePointerTo(int x, int y)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

inline void PressButton(DWORD flag)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    SendInput(1, &input, sizeof(input));
}

// Left button down at from, moves in steps to to, button up there.
inline void DragPointer(POINT from, POINT to, int steps = 20)
{
    MovePointerTo(from.x, from.y);
    Sleep(50);
    PressButton(MOUSEEVENTF_LEFTDOWN);
    Sleep(50);
    for (int i = 1; i <= steps; ++i) {
        MovePointerTo(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
        Sleep(20);
    }
    PressButton(MOUSEEVENTF_LEFTUP);
    Sleep(100);
}
