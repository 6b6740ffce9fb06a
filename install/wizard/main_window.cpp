#include "main_window.h"

#include "wizard_state.h"
#include "resource_ids.h"
#include "wizard_dialogs.h"

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        SetTimer(window, WelcomeTimerId, WelcomeDelayMs, nullptr);
        return 0;
    case WM_TIMER:
        // The whole wizard runs inside this one timer message.
        KillTimer(window, WelcomeTimerId);
        DialogBoxParamA(InstanceHandle, MAKEINTRESOURCEA(IDD_WELCOME), window, WelcomeDialogProc, 0);
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_ABOUT:
            DialogBoxParamA(InstanceHandle, MAKEINTRESOURCEA(IDD_ABOUTBOX), window, AboutDialogProc, 0);
            return 0;
        case IDM_EXIT:
            DestroyWindow(window);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
        }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
