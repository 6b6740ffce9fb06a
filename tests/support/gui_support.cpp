#include "gui_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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

bool PumpMessagesUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    return WaitUntil(
        [&] {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            return condition();
        },
        timeoutMs);
}

bool WaitForFile(const std::string& path, DWORD timeoutMs)
{
    return WaitUntil([&] { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
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
    // for its thread, which may be busy.
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

std::string ItemText(HWND dialog, int id)
{
    char text[1024] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::string MessageBoxText(HWND box)
{
    return ItemText(box, 0xFFFF);
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

bool PressButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (button == nullptr || !IsWindowEnabled(button))
        return false;
    return PostMessageA(button, BM_CLICK, 0, 0) != FALSE;
}

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

std::vector<COLORREF> CaptureScreenRect(int left, int top, int width, int height)
{
    std::vector<COLORREF> pixels(static_cast<size_t>(width) * height, 0);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY);
    GdiFlush();
    const BYTE* p = static_cast<const BYTE*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = RGB(p[4 * i + 2], p[4 * i + 1], p[4 * i]);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

namespace {

// ImageMagick on the Linux side reads the virtual display directly.
bool SaveDisplayPng(const std::string& fileName)
{
    const char* artifacts = getenv("TEST_ARTIFACTS_DIR");
    if (artifacts == nullptr || artifacts[0] != '/')
        return false;
    ArtifactsDir();  // creates the folder
    std::string target = std::string(artifacts) + "/" + fileName;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (RunProcess("/usr/bin/import -window root \"" + target + "\"", 20000) == 0)
            return true;
        Sleep(200);
    }
    return false;
}

}  // namespace

bool SaveScreenBmp(const std::string& path)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    std::vector<COLORREF> pixels = CaptureScreenRect(0, 0, width, height);
    DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<BYTE> image(static_cast<size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y) {
        BYTE* row = &image[static_cast<size_t>(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            COLORREF colour = pixels[static_cast<size_t>(y) * width + x];
            row[3 * x] = GetBValue(colour);
            row[3 * x + 1] = GetGValue(colour);
            row[3 * x + 2] = GetRValue(colour);
        }
    }
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(image.size());
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    FILE* out = fopen(path.c_str(), "wb");
    if (out == nullptr)
        return false;
    bool written = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&header, sizeof header, 1, out) == 1 &&
                   fwrite(image.data(), 1, image.size(), out) == image.size();
    return fclose(out) == 0 && written;
}

std::string SaveScreenshot(const std::string& fileName)
{
    std::string path = JoinPath(ArtifactsDir(), fileName);
    bool png = fileName.size() > 4 && _stricmp(fileName.c_str() + fileName.size() - 4, ".png") == 0;
    bool saved = png ? SaveDisplayPng(fileName) : SaveScreenBmp(path);
    return saved ? path : std::string();
}

void PressKey(WORD virtualKey)
{
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = virtualKey;
    inputs[1].type = INPUT_KEYBOARD;
    inputs[1].ki.wVk = virtualKey;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

void MovePointerTo(int x, int y)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

void SendPointerButton(DWORD flag)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    SendInput(1, &input, sizeof(input));
}

void DragPointer(POINT from, POINT to, int steps)
{
    MovePointerTo(from.x, from.y);
    Sleep(50);
    SendPointerButton(MOUSEEVENTF_LEFTDOWN);
    Sleep(50);
    for (int i = 1; i <= steps; ++i) {
        MovePointerTo(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
        Sleep(20);
    }
    SendPointerButton(MOUSEEVENTF_LEFTUP);
    Sleep(100);
}

void ClickControl(HWND control)
{
    RECT rect = WindowRectOf(control);
    POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    HWND top = GetAncestor(control, GA_ROOT);
    SetForegroundWindow(top);
    WaitUntil([&] { return GetForegroundWindow() == top; }, 2000);
    // The press goes where the pointer is once the system has it there, on
    // the control once the control is what lies under it.
    WaitForPaint(top);
    MovePointerTo(centre.x, centre.y);
    WaitUntil(
        [&] {
            POINT at;
            return GetCursorPos(&at) && at.x == centre.x && at.y == centre.y && WindowFromPoint(centre) == control;
        },
        2000);
    SendPointerButton(MOUSEEVENTF_LEFTDOWN);
    SendPointerButton(MOUSEEVENTF_LEFTUP);
}

void WaitForPaint(HWND window)
{
    // Sent to the window's thread: handled once the message in hand is done;
    // the paint then due is carried out before RDW_UPDATENOW returns.
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}
