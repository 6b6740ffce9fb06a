// Write.exe, the handwriting demo of the touchscreen package.
#include <windows.h>

#include "handwriting_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    if (!RegisterHandwritingClass(instance) || !CreateHandwritingWindow(instance, showCommand))
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
