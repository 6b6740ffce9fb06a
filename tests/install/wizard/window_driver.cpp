#include "window_driver.h"

#include <cstdlib>
#include <cstring>

#include "test_support.h"

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(5);
    }
}

namespace {

struct FindRequest {
    const char* className;
    const char* title;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindTopWindowCallback(HWND window, LPARAM parameter)
{
    FindRequest* request = reinterpret_cast<FindRequest*>(parameter);
    if (!IsWindowVisible(window))
        return TRUE;
    if (request->processId != 0) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if (processId != request->processId)
            return TRUE;
    }
    if (request->className != nullptr && ClassNameOf(window) != request->className)
        return TRUE;
    // The title as the system keeps it: asking the window itself would wait
    // for its thread, which may be busy in a step of the installer.
    char title[512] = {};
    GetWindowTextA(window, title, sizeof title);
    if (request->title != nullptr && strcmp(title, request->title) != 0)
        return TRUE;
    request->found = window;
    return FALSE;
}

}  // namespace

HWND FindTopWindow(const char* className, const char* title, DWORD processId)
{
    FindRequest request = {className, title, processId, nullptr};
    EnumWindows(FindTopWindowCallback, reinterpret_cast<LPARAM>(&request));
    return request.found;
}

HWND WaitForTopWindow(const char* className, const char* title, DWORD timeoutMs, DWORD processId)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(className, title, processId)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs)
{
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::string WindowText(HWND window)
{
    char text[1024] = {};
    // WM_GETTEXT through the window's own thread, also for other processes.
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             2000, &result))
        GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassNameOf(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

RECT WindowRectOf(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

bool IsCentredOnScreen(HWND window)
{
    RECT r = WindowRectOf(window);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    return abs(r.left - (screenWidth - width) / 2) <= 1 && abs(r.top - (screenHeight - height) / 2) <= 1;
}

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
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP shot = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
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

HWND WaitForMessageBox(const char* caption, DWORD timeoutMs, DWORD processId)
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindTopWindow("#32770", caption, processId);
            // The wizard's own dialogs have other captions; a message box has
            // no control with a wizard id.
            return found != nullptr && GetDlgItem(found, 1002) == nullptr && GetDlgItem(found, 1003) == nullptr;
        },
        timeoutMs);
    return found;
}

bool PressButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (button == nullptr || !IsWindowEnabled(button))
        return false;
    return PostMessageA(button, BM_CLICK, 0, 0) != FALSE;
}

bool SaveScreenshot(const std::string& fileName)
{
    const char* artifacts = getenv("TEST_ARTIFACTS_DIR");
    if (artifacts == nullptr || artifacts[0] != '/')
        return false;
    ArtifactsDir();  // creates the folder
    std::string target = std::string(artifacts) + "/" + fileName;
    // ImageMagick on the Linux side reads the virtual display directly.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (RunProcess("/usr/bin/import -window root \"" + target + "\"", 20000) == 0)
            return true;
        Sleep(200);
    }
    return false;
}
