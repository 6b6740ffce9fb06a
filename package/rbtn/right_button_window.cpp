#include "right_button_window.h"

#include "bounded_format.h"
#include "right_button_mode.h"

const char RightButtonTitle[] = "Right Button";
const char RightButtonClass[] = "QuortouchRightButton";
const char DriverNotRunningFormat[] =
    "The touchscreen driver is not running (%lu). Install the driver package and plug in the touchscreen.";
const char WaitingText[] = "Touch the button, then touch where you want a right click.";
const char PendingText[] = "The next touch is a right click.";

static const UINT_PTR PendingTimer = 1;
static bool Pending;

static void ShowPending(HWND window, bool pending)
{
    Pending = pending;
    SetDlgItemTextA(window, StatusTextId, pending ? PendingText : WaitingText);
    SendDlgItemMessageA(window, RightClickButtonId, BM_SETCHECK, pending ? BST_CHECKED : BST_UNCHECKED, 0);
    if (pending)
        SetTimer(window, PendingTimer, 200, nullptr);
    else
        KillTimer(window, PendingTimer);
}

static void OnRightClickButton(HWND window)
{
    bool enable = !Pending;
    DWORD error = RequestRightButtonTouch(enable);
    if (error != 0) {
        ShowPending(window, false);
        char text[256] = {};
        FormatInto(text, DriverNotRunningFormat, static_cast<unsigned long>(error));
        MessageBoxA(window, text, RightButtonTitle, MB_ICONERROR | MB_OK);
        return;
    }
    ShowPending(window, enable);
}

static void CreateControls(HWND window, HINSTANCE instance)
{
    CreateWindowExA(0, "BUTTON", "Right click", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | BS_PUSHLIKE, 8, 8, 150, 30,
                    window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(RightClickButtonId)), instance, nullptr);
    CreateWindowExA(0, "STATIC", WaitingText, WS_CHILD | WS_VISIBLE | SS_LEFT, 8, 44, 150, 48, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(StatusTextId)), instance, nullptr);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendDlgItemMessageA(window, RightClickButtonId, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendDlgItemMessageA(window, StatusTextId, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

LRESULT CALLBACK RightButtonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CreateControls(window, reinterpret_cast<LPCREATESTRUCT>(lParam)->hInstance);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == RightClickButtonId)
            OnRightClickButton(window);
        return 0;
    case WM_TIMER:
        // The driver clears the request when it delivers the right click.
        if (wParam == PendingTimer && !IsRightButtonPending())
            ShowPending(window, false);
        return 0;
    case WM_DESTROY:
        if (Pending)
            RequestRightButtonTouch(false);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterRightButtonClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RightButtonWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = RightButtonClass;
    return RegisterClassA(&windowClass) != 0;
}

HWND CreateRightButtonWindow(HINSTANCE instance, int showCommand)
{
    RECT frame = {0, 0, 166, 100};
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP;
    DWORD exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    // Top right corner of the screen, clear of the calibration crosses.
    int left = GetSystemMetrics(SM_CXSCREEN) - width - 40;
    HWND window = CreateWindowExA(exStyle, RightButtonClass, RightButtonTitle, style, left, 40, width, height, nullptr,
                                  nullptr, instance, nullptr);
    if (!window)
        return nullptr;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return window;
}
