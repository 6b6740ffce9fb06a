#include "message_loop.h"

int RunMessagesUntilQuit(HACCEL accelerators)
{
    MSG message;
    BOOL fetched;
    while ((fetched = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        if (accelerators != nullptr && TranslateAcceleratorA(message.hwnd, accelerators, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return fetched == 0 ? static_cast<int>(message.wParam) : 0;
}
