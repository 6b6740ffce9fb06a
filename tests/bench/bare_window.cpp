// A reference for the calibration tool's start-up, not shipped: the least a
// program does to put one bitmap cross on a full-screen topmost window. It
// draws the tool's own cross bitmap where the tool draws its first cross, so
// that the benchmark finds both the same way. Closes on Escape, on WM_CLOSE
// and after 30 seconds.
//
//   bare_window [parts]
//
// Each letter of parts adds one piece of the tool's own start-up, so that the
// benchmark can tell what the difference is made of:
//   d  opens the touch device        r  the tool's registry reads
//   s  measures the screen (a DC)    b  two hidden buttons
//   t  the prompt's text and the check mark
#include <windows.h>

#include <cstring>

#include "calibration_resources.h"
#include "driver_contract.h"

static HBITMAP Cross = nullptr;
static HBITMAP CheckMark = nullptr;
static const char* Parts = "";

static bool HasPart(char part)
{
    return strchr(Parts, part) != nullptr;
}

// The registry work of the tool's start: full access to the parameter key,
// the calibration record's eleven values, the RunOnce value.
static void ReadRegistry()
{
    static const char* const record[] = {CAL_TOP_LEFT_X,     CAL_TOP_LEFT_Y,     CAL_TOP_RIGHT_X,  CAL_TOP_RIGHT_Y,
                                         CAL_BOTTOM_LEFT_X,  CAL_BOTTOM_LEFT_Y,  CAL_BOTTOM_RIGHT_X,
                                         CAL_BOTTOM_RIGHT_Y, CAL_SCREEN_WIDTH,   CAL_SCREEN_HIGH,  CAL_FOUR_POINT};
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PARAMETER_KEY_PATH, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS)
        RegCloseKey(key);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PARAMETER_KEY_PATH, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        for (const char* name : record) {
            DWORD value = 0, size = 4;
            RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        }
        RegCloseKey(key);
    }
    HKEY runOnce = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Runonce", &runOnce) ==
        ERROR_SUCCESS) {
        RegDeleteValueA(runOnce, "Vessatouch");
        RegCloseKey(runOnce);
    }
}

static void PaintCross(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HDC bitmapDC = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(bitmapDC, Cross);
    BITMAP cross = {};
    GetObjectA(Cross, sizeof cross, &cross);
    int x = CROSS_NEAR * GetSystemMetrics(SM_CXSCREEN) / CROSS_UNITS;
    int y = CROSS_NEAR * GetSystemMetrics(SM_CYSCREEN) / CROSS_UNITS;
    BitBlt(dc, x - cross.bmWidth / 2, y - cross.bmHeight / 2, cross.bmWidth, cross.bmHeight, bitmapDC, 0, 0, SRCCOPY);
    if (HasPart('t')) {
        int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        SelectObject(bitmapDC, CheckMark);
        BitBlt(dc, w / 2 - 120, h / 2 - 50, 28, 27, bitmapDC, 0, 0, SRCCOPY);
        SetTextColor(dc, RGB(0, 102, 255));
        RECT textRect = {w / 2 - 100, h / 2 - 50, w / 2 + 100, h / 2 + 100};
        DrawTextA(dc, " TOUCH THE CENTER \n OF THE CROSS", -1, &textRect, DT_CENTER);
    }
    SelectObject(bitmapDC, old);
    DeleteDC(bitmapDC);
    EndPaint(window, &paint);
}

static LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintCross(window);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            DestroyWindow(window);
        return 0;
    case WM_TIMER:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    Parts = commandLine;
    if (HasPart('d') && CreateFileA(TOUCH_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr) == INVALID_HANDLE_VALUE)
        return 2;
    if (HasPart('r'))
        ReadRegistry();
    if (HasPart('s')) {
        HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        GetDeviceCaps(display, HORZRES);
        GetDeviceCaps(display, VERTRES);
        DeleteDC(display);
    }
    Cross = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_CROSS));
    CheckMark = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_CHECK_MARK));
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BareWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "BareCross";
    if (Cross == nullptr || !RegisterClassA(&windowClass))
        return 1;
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "BareCross", "", WS_POPUP | WS_VISIBLE, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr)
        return 1;
    if (HasPart('b'))
        for (int i = 0; i < 2; ++i)
            ShowWindow(CreateWindowExA(0, "button", i ? "Adjust Again" : "OK", WS_CHILD | WS_VISIBLE, 100 * i, 0, 100,
                                       50, window, nullptr, nullptr, nullptr),
                       SW_HIDE);
    SetTimer(window, 1, 30000, nullptr);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DeleteObject(Cross);
    return 0;
}
