#include "handwriting_window.h"

#include <windowsx.h>

#include "stroke_store.h"

const char HandwritingTitle[] = "HandWritting Demo";
const char HandwritingClass[] = "QuortouchHandwriting";

static StrokeStore Strokes;
static bool Writing;
static HPEN InkPen;

static void PlaceClearButton(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    MoveWindow(GetDlgItem(window, ClearButtonId), client.right - 90, 8, 80, 28, TRUE);
}

static void DrawSegment(HWND window, POINT from, POINT to)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, InkPen);
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
}

static void OnButtonDown(HWND window, POINT at)
{
    SetCapture(window);
    Writing = true;
    BeginStroke(&Strokes, at);
    POINT dotEnd = {at.x + 1, at.y};
    DrawSegment(window, at, dotEnd);
}

static void OnPointerMove(HWND window, POINT at)
{
    if (!Writing || Strokes.Count == 0)
        return;
    POINT from = Strokes.Points[Strokes.Count - 1].At;
    if (ExtendStroke(&Strokes, at))
        DrawSegment(window, from, at);
}

static void OnButtonUp(HWND window, POINT at)
{
    if (!Writing)
        return;
    OnPointerMove(window, at);
    Writing = false;
    ReleaseCapture();
}

static void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HGDIOBJ old = SelectObject(dc, InkPen);
    DrawStrokes(Strokes, dc);
    SelectObject(dc, old);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(128, 128, 128));
    TextOutA(dc, 10, 12, "Write here with your finger.", 28);
    EndPaint(window, &paint);
}

LRESULT CALLBACK HandwritingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_CREATE:
        InkPen = CreatePen(PS_SOLID, InkWidth, InkColour);
        CreateWindowExA(0, "BUTTON", "Clear", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 80, 28, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ClearButtonId)),
                        reinterpret_cast<LPCREATESTRUCT>(lParam)->hInstance, nullptr);
        PlaceClearButton(window);
        return 0;
    case WM_SIZE:
        PlaceClearButton(window);
        return 0;
    case WM_LBUTTONDOWN:
        OnButtonDown(window, at);
        return 0;
    case WM_MOUSEMOVE:
        if (wParam & MK_LBUTTON)
            OnPointerMove(window, at);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(window, at);
        return 0;
    case WM_CAPTURECHANGED:
        Writing = false;
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == ClearButtonId) {
            ClearStrokes(&Strokes);
            InvalidateRect(window, nullptr, TRUE);
        }
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_DESTROY:
        DeleteObject(InkPen);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterHandwritingClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = HandwritingWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_CROSS);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = HandwritingClass;
    return RegisterClassA(&windowClass) != 0;
}

HWND CreateHandwritingWindow(HINSTANCE instance, int showCommand)
{
    HWND window = CreateWindowExA(0, HandwritingClass, HandwritingTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
    if (!window)
        return nullptr;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return window;
}
