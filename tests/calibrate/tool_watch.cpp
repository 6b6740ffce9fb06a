#include "tool_watch.h"

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

static BOOL CALLBACK FindIcon(HWND child, LPARAM lParam)
{
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (_stricmp(ClassNameOf(child).c_str(), "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child) &&
        SendMessageA(child, STM_GETICON, 0, 0) != 0) {
        *reinterpret_cast<bool*>(lParam) = true;
        return FALSE;
    }
    return TRUE;
}

static SeenMessageBox ReadMessageBox(HWND box)
{
    SeenMessageBox seen;
    seen.Caption = WindowText(box);
    seen.Text = MessageBoxText(box);
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
        HWND box = FindTopWindow("#32770", nullptr, watched->Id);
        if (box != nullptr) {
            Sleep(100); // let the box finish its set-up before reading it
            watched->Boxes.push_back(ReadMessageBox(box));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            // Wait for this box to go before looking for the next one.
            WaitForWindowGone(box, 2000);
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
