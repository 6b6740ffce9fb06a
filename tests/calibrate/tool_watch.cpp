#include "tool_watch.h"

#include <cstdio>

#include "test_support.h"

bool StartWatched(const std::string& commandLine, WatchedProcess* watched)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    watched->Process = process.hProcess;
    watched->Id = process.dwProcessId;
    watched->Boxes.clear();
    return true;
}

static std::string CalibrationToolPath()
{
    return JoinPath(TestBinDir(), "calibrate\\QuortouchUsb.exe");
}

bool StartCalibrationTool(WatchedProcess* watched, const std::string& arguments)
{
    std::string line = "\"" + CalibrationToolPath() + "\"";
    if (!arguments.empty())
        line += " " + arguments;
    return StartWatched(line, watched);
}

bool StartChildAction(const char* name, WatchedProcess* watched, const std::string& argument)
{
    std::string line = "\"" + SelfPath() + "\" --child " + name;
    if (!argument.empty())
        line += " \"" + argument + "\"";
    return StartWatched(line, watched);
}

struct FindContext {
    DWORD ProcessId;
    const char* ClassName;
    bool VisibleOnly;
    HWND Found;
};

static BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM lParam)
{
    FindContext* context = reinterpret_cast<FindContext*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != context->ProcessId)
        return TRUE;
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, context->ClassName) != 0)
        return TRUE;
    if (context->VisibleOnly && !IsWindowVisible(window))
        return TRUE;
    context->Found = window;
    return FALSE;
}

static HWND FindWindowOf(DWORD processId, const char* className, bool visibleOnly)
{
    FindContext context = {processId, className, visibleOnly, nullptr};
    EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&context));
    return context.Found;
}

// A message box (dialog class "#32770") of the process, or null.
static HWND FindMessageBoxOf(DWORD processId)
{
    return FindWindowOf(processId, "#32770", true);
}

static BOOL CALLBACK FindIcon(HWND child, LPARAM lParam)
{
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (_stricmp(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child) &&
        SendMessageA(child, STM_GETICON, 0, 0) != 0) {
        *reinterpret_cast<bool*>(lParam) = true;
        return FALSE;
    }
    return TRUE;
}

static SeenMessageBox ReadMessageBox(HWND box)
{
    SeenMessageBox seen;
    char text[1024] = {};
    GetWindowTextA(box, text, sizeof text);
    seen.Caption = text;
    text[0] = '\0';
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen.Text = text;
    EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&seen.HasIcon));
    return seen;
}

int FinishWatched(WatchedProcess* watched, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    DWORD code = static_cast<DWORD>(-999);
    for (;;) {
        if (WaitForSingleObject(watched->Process, 50) == WAIT_OBJECT_0) {
            GetExitCodeProcess(watched->Process, &code);
            break;
        }
        HWND box = FindMessageBoxOf(watched->Id);
        if (box != nullptr) {
            Sleep(100); // let the box finish its set-up before reading it
            watched->Boxes.push_back(ReadMessageBox(box));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            // Wait for this box to go before looking for the next one.
            for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i)
                Sleep(20);
        }
        if (GetTickCount() - start > timeoutMs) {
            TerminateProcess(watched->Process, static_cast<UINT>(-999));
            WaitForSingleObject(watched->Process, 5000);
            break;
        }
    }
    CloseHandle(watched->Process);
    watched->Process = nullptr;
    return static_cast<int>(code);
}

HWND WaitForWindowOf(DWORD processId, const char* className, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        HWND window = FindWindowOf(processId, className, true);
        if (window != nullptr)
            return window;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

std::string SaveScreenshot(const std::string& name)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageSize;
    info.bmiHeader.biSizeImage = imageSize;
    std::string path = JoinPath(ArtifactsDir(), name + ".bmp");
    FILE* out = fopen(path.c_str(), "wb");
    if (out != nullptr) {
        fwrite(&file, sizeof file, 1, out);
        fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        fwrite(bits, 1, imageSize, out);
        fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return path;
}

// The screen's pixels in the rectangle, row by row, as COLORREF values.
static std::vector<COLORREF> CaptureScreenRect(int left, int top, int width, int height)
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

bool FindCrossCentre(int x, int y, int halfSize, POINT* centre)
{
    const COLORREF yellow = RGB(255, 255, 0), green = RGB(0, 128, 0);
    // The search square, clipped to the screen (a copy from outside the
    // screen copies nothing).
    int left = x - halfSize > 0 ? x - halfSize : 0;
    int top = y - halfSize > 0 ? y - halfSize : 0;
    int right = x + halfSize + 1, bottom = y + halfSize + 1;
    if (right > GetSystemMetrics(SM_CXSCREEN))
        right = GetSystemMetrics(SM_CXSCREEN);
    if (bottom > GetSystemMetrics(SM_CYSCREEN))
        bottom = GetSystemMetrics(SM_CYSCREEN);
    int width = right - left, height = bottom - top;
    if (width <= 0 || height <= 0)
        return false;
    std::vector<COLORREF> pixels = CaptureScreenRect(left, top, width, height);
    // The row with the most yellow pixels and the column with the most green.
    int bestRow = -1, bestRowCount = 0, bestColumn = -1, bestColumnCount = 0;
    std::vector<int> columnCounts(width, 0);
    for (int dy = 0; dy < height; ++dy) {
        int rowCount = 0;
        for (int dx = 0; dx < width; ++dx) {
            COLORREF colour = pixels[static_cast<size_t>(dy) * width + dx];
            if (colour == yellow)
                ++rowCount;
            else if (colour == green)
                ++columnCounts[dx];
        }
        if (rowCount > bestRowCount) {
            bestRowCount = rowCount;
            bestRow = dy;
        }
    }
    for (int dx = 0; dx < width; ++dx)
        if (columnCounts[dx] > bestColumnCount) {
            bestColumnCount = columnCounts[dx];
            bestColumn = dx;
        }
    // Both arms of the 65-pixel cross (clipped at most by the search square).
    if (bestRowCount < 30 || bestColumnCount < 30)
        return false;
    if (pixels[static_cast<size_t>(bestRow) * width + bestColumn] != green)
        return false;
    centre->x = left + bestColumn;
    centre->y = top + bestRow;
    return true;
}

bool WaitForCross(int x, int y, POINT* centre, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        if (FindCrossCentre(x, y, 40, centre))
            return true;
        Sleep(30);
    } while (GetTickCount() - start < timeoutMs);
    return false;
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
