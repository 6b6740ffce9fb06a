// Write.exe, the handwriting demo of the touchscreen package.
#include <windows.h>

#include "message_loop.h"

#include "handwriting_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    if (!RegisterHandwritingClass(instance) || !CreateHandwritingWindow(instance, showCommand))
        return 1;
    return RunMessagesUntilQuit();
}
