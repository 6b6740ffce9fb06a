// RBtn.exe: the right-button tool of the touchscreen package.
#include <windows.h>

#include "right_button_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    // One tool window is enough: a second start brings the first forward.
    HWND running = FindWindowA(RightButtonClass, RightButtonTitle);
    if (running) {
        SetForegroundWindow(running);
        return 0;
    }
    if (!RegisterRightButtonClass(instance) || !CreateRightButtonWindow(instance, showCommand))
        return 1;
    MSG message;
    BOOL fetched;
    while ((fetched = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // A failed fetch (-1) leaves no quit code to pass on.
    return fetched == 0 ? static_cast<int>(message.wParam) : 0;
}
