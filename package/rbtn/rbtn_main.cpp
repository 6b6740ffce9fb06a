// RBtn.exe: the right-button tool of the touchscreen package.
#include <windows.h>

#include "message_loop.h"

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
    return RunMessagesUntilQuit();
}
