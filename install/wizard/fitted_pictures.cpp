#include "fitted_pictures.h"

static bool IsPictureControl(HWND control)
{
    char className[16] = {};
    GetClassNameA(control, className, sizeof className);
    return lstrcmpiA(className, "Static") == 0 &&
           (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
}

// A copy of the bitmap stretched to width x height; nullptr on failure.
static HBITMAP StretchedCopy(HBITMAP source, int width, int height)
{
    BITMAP size = {};
    if (GetObjectA(source, sizeof size, &size) == 0)
        return nullptr;
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    HBITMAP copy = CreateCompatibleBitmap(screen, width, height);
    if (from != nullptr && to != nullptr && copy != nullptr) {
        HGDIOBJ oldFrom = SelectObject(from, source), oldTo = SelectObject(to, copy);
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        StretchBlt(to, 0, 0, width, height, from, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (from != nullptr)
        DeleteDC(from);
    if (to != nullptr)
        DeleteDC(to);
    ReleaseDC(nullptr, screen);
    return copy;
}

static bool IsTextControl(HWND control)
{
    char className[16] = {};
    GetClassNameA(control, className, sizeof className);
    return lstrcmpiA(className, "Static") == 0 && (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_LEFT;
}

// The height in pixels that the control's text needs at its width and font.
static int NeededTextHeight(HWND control)
{
    char text[512] = {};
    GetWindowTextA(control, text, sizeof text);
    RECT needed = {};
    GetClientRect(control, &needed);
    needed.bottom = 0;
    HDC dc = GetDC(control);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    DrawTextA(dc, text, -1, &needed, DT_WORDBREAK | DT_EXPANDTABS | DT_CALCRECT);
    SelectObject(dc, oldFont);
    ReleaseDC(control, dc);
    return needed.bottom;
}

static RECT RectInDialog(HWND dialog, HWND control)
{
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Fonts don't grow exactly with the dialog units: at 144 DPI a text may wrap
// to one line more than its control holds. Where a picture stands right
// under such a text, the text takes the height it needs from the picture's
// top.
static void MakeRoomForTexts(HWND dialog)
{
    for (HWND text = GetWindow(dialog, GW_CHILD); text != nullptr; text = GetWindow(text, GW_HWNDNEXT)) {
        if (!IsTextControl(text))
            continue;
        RECT client = {};
        GetClientRect(text, &client);
        int missing = NeededTextHeight(text) - client.bottom;
        if (missing <= 0)
            continue;
        RECT textRect = RectInDialog(dialog, text);
        for (HWND picture = GetWindow(dialog, GW_CHILD); picture; picture = GetWindow(picture, GW_HWNDNEXT)) {
            RECT pictureRect = RectInDialog(dialog, picture);
            bool below = pictureRect.top >= textRect.bottom - 1 && pictureRect.top <= textRect.bottom + 1 &&
                         pictureRect.left < textRect.right && pictureRect.right > textRect.left;
            if (!IsPictureControl(picture) || !below || pictureRect.bottom - pictureRect.top <= missing)
                continue;
            SetWindowPos(text, nullptr, 0, 0, textRect.right - textRect.left,
                         textRect.bottom - textRect.top + missing, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            SetWindowPos(picture, nullptr, pictureRect.left, pictureRect.top + missing,
                         pictureRect.right - pictureRect.left, pictureRect.bottom - pictureRect.top - missing,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        }
    }
}

static bool AtNinetySixDpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi == 96;
}

// The control's client area made the picture's own size, its top-left corner
// staying where it is: the picture shows pixel for pixel.
static void SizeControlToPicture(HWND control, HBITMAP picture)
{
    BITMAP size = {};
    if (GetObjectA(picture, sizeof size, &size) == 0)
        return;
    RECT window = {}, client = {};
    GetWindowRect(control, &window);
    GetClientRect(control, &client);
    SetWindowPos(control, nullptr, 0, 0, size.bmWidth + (window.right - window.left) - client.right,
                 size.bmHeight + (window.bottom - window.top) - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The dialog units of a font are not whole pixels, so a picture at its own
// size may reach a few pixels past its template rectangle. A text whose top it
// then covers starts right under the picture and keeps its bottom.
static void MoveTextsFromUnder(HWND dialog, HWND picture)
{
    RECT pictureRect = RectInDialog(dialog, picture);
    for (HWND text = GetWindow(dialog, GW_CHILD); text != nullptr; text = GetWindow(text, GW_HWNDNEXT)) {
        RECT textRect = RectInDialog(dialog, text);
        bool topCovered = textRect.top >= pictureRect.top && textRect.top < pictureRect.bottom &&
                          textRect.bottom > pictureRect.bottom && textRect.left < pictureRect.right &&
                          textRect.right > pictureRect.left;
        if (IsTextControl(text) && topCovered)
            SetWindowPos(text, nullptr, textRect.left, pictureRect.bottom, textRect.right - textRect.left,
                         textRect.bottom - pictureRect.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void FitPicturesToControls(HWND dialog)
{
    bool ownSize = AtNinetySixDpi();
    if (!ownSize)
        MakeRoomForTexts(dialog);
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        if (!IsPictureControl(control))
            continue;
        RECT client = {};
        GetClientRect(control, &client);
        HBITMAP picture = reinterpret_cast<HBITMAP>(SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if (picture == nullptr || client.right <= 0 || client.bottom <= 0)
            continue;
        if (ownSize) {
            SizeControlToPicture(control, picture);
            MoveTextsFromUnder(dialog, control);
            continue;
        }
        HBITMAP fitted = StretchedCopy(picture, client.right, client.bottom);
        if (fitted == nullptr)
            continue;
        // The control loaded the template's picture; it is ours to free.
        HGDIOBJ previous = reinterpret_cast<HGDIOBJ>(
            SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(fitted)));
        if (previous != nullptr && previous != fitted)
            DeleteObject(previous);
    }
}

void ReleaseFittedPictures(HWND dialog)
{
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        if (!IsPictureControl(control))
            continue;
        HGDIOBJ picture = reinterpret_cast<HGDIOBJ>(SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, 0));
        if (picture != nullptr)
            DeleteObject(picture);
    }
}
