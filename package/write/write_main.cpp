// Write.exe, the handwriting demo of the touchscreen package.
#include <windows.h>

#include "handwriting_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    if (!RegisterHandwritingClass(instance) || !CreateHandwritingWindow(instance, showCommand))
        return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
