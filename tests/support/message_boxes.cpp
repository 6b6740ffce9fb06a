#include "message_boxes.h"

#include <cstring>

namespace {

// The message box's icon belongs to the other process, whose icon handles
// mean nothing here: the icon is told by its pixels on the screen, compared
// with each system icon drawn here on the same background.
UINT IconKindOnScreen(HWND iconControl)
{
    RECT r;
    GetClientRect(iconControl, &r);
    int w = r.right, h = r.bottom;
    if (w <= 0 || h <= 0 || w > 256 || h > 256)
        return 0;
    POINT origin = {0, 0};
    ClientToScreen(iconControl, &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP shot = CreateTopDownDib(screen, w, h, &bits);
    HGDIOBJ old = SelectObject(memory, shot);
    BitBlt(memory, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY);
    std::vector<DWORD> captured(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + w * h);
    COLORREF background = GetPixel(memory, 0, 0);

    struct {
        LPCSTR id;
        UINT kind;
    } const kinds[] = {{IDI_HAND, MB_ICONERROR},
                       {IDI_EXCLAMATION, MB_ICONWARNING},
                       {IDI_ASTERISK, MB_ICONINFORMATION},
                       {IDI_QUESTION, MB_ICONQUESTION}};
    UINT best = 0;
    long bestDifferent = w * h;
    for (const auto& k : kinds) {
        HBRUSH brush = CreateSolidBrush(background);
        RECT all = {0, 0, w, h};
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        DrawIconEx(memory, 0, 0, LoadIconA(nullptr, k.id), 0, 0, 0, nullptr, DI_NORMAL);
        GdiFlush();
        const DWORD* drawn = static_cast<const DWORD*>(bits);
        long different = 0;
        for (int i = 0; i < w * h; ++i)
            different += ((drawn[i] ^ captured[i]) & 0xFFFFFF) != 0 ? 1 : 0;
        if (different < bestDifferent) {
            bestDifferent = different;
            best = k.kind;
        }
    }
    SelectObject(memory, old);
    DeleteObject(shot);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    // A close match only: a few pixels may differ at the edges.
    return bestDifferent * 20 <= w * h ? best : 0xFFFFFFFF;
}

BOOL CALLBACK ReadMessageBoxChild(HWND child, LPARAM parameter)
{
    MessageBoxView* view = reinterpret_cast<MessageBoxView*>(parameter);
    std::string cls = ClassNameOf(child);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (_stricmp(cls.c_str(), "Static") == 0) {
        if ((style & SS_TYPEMASK) == SS_ICON) {
            // A box without an icon keeps its icon control hidden and empty.
            DWORD_PTR icon = 0;
            if (!IsWindowVisible(child) ||
                !SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon) || icon == 0)
                return TRUE;
            // Until the box has painted itself its icon can't be told.
            UINT kind = 0xFFFFFFFF;
            for (int attempt = 0; attempt < 60 && kind == 0xFFFFFFFF; ++attempt) {
                if (attempt > 0)
                    Sleep(50);
                kind = IconKindOnScreen(child);
            }
            view->icon = kind;
        } else {
            std::string text = WindowText(child);
            if (!text.empty())
                view->text = text;
        }
    } else if (_stricmp(cls.c_str(), "Button") == 0 && IsWindowVisible(child)) {
        view->buttons.push_back(WindowText(child));
    }
    return TRUE;
}

}  // namespace

MessageBoxView ReadMessageBox(HWND box)
{
    MessageBoxView view;
    view.window = box;
    view.caption = WindowText(box);
    view.owner = GetWindow(box, GW_OWNER);
    EnumChildWindows(box, ReadMessageBoxChild, reinterpret_cast<LPARAM>(&view));
    return view;
}

namespace {

struct BoxSearch {
    const char* caption;
    DWORD processId;
    HWND found;
};

// A message box: a visible dialog-class window with the box's text control
// (0xFFFF) and none of the installer wizard's controls, whose dialogs carry
// static texts of that id too.
BOOL CALLBACK FindMessageBox(HWND window, LPARAM parameter)
{
    BoxSearch* search = reinterpret_cast<BoxSearch*>(parameter);
    if (!IsWindowVisible(window) || ClassNameOf(window) != "#32770")
        return TRUE;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (search->processId != 0 && processId != search->processId)
        return TRUE;
    char title[512] = {};
    GetWindowTextA(window, title, sizeof title);
    if (search->caption != nullptr && strcmp(title, search->caption) != 0)
        return TRUE;
    if (GetDlgItem(window, 0xFFFF) == nullptr || GetDlgItem(window, 1002) != nullptr ||
        GetDlgItem(window, 1003) != nullptr)
        return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND FindMessageBox(const char* caption, DWORD processId)
{
    BoxSearch search = {caption, processId, nullptr};
    EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForMessageBox(const char* caption, DWORD timeoutMs, DWORD processId)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindMessageBox(caption, processId)) != nullptr; }, timeoutMs);
    return found;
}

bool AnswerMessageBox(const char* caption, DWORD processId, int answer, std::vector<MessageBoxView>* seen)
{
    HWND box = FindMessageBox(caption, processId);
    if (box == nullptr)
        return false;
    seen->push_back(ReadMessageBox(box));
    PressButton(box, answer);
    // The next box is looked for once this one has gone.
    WaitForWindowGone(box, 5000);
    return true;
}
