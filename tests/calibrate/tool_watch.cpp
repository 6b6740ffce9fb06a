#include "tool_watch.h"

#include "message_boxes.h"
#include "test_support.h"

bool StartWatched(const std::string& commandLine, WatchedProcess* watched)
{
    watched->Boxes.clear();
    return watched->Start(commandLine);
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

bool StartCalibrationToolUnelevated(WatchedProcess* watched)
{
    HANDLE token = nullptr, restricted = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &token))
        return false;
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof administrators;
    SID_AND_ATTRIBUTES denyOnly = {administrators, 0};
    bool made = CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) &&
                CreateRestrictedToken(token, DISABLE_MAX_PRIVILEGE, 1, &denyOnly, 0, nullptr, 0, nullptr,
                                      &restricted);
    CloseHandle(token);
    if (!made)
        return false;
    std::string line = "\"" + CalibrationToolPath() + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    bool ok = CreateProcessAsUserA(restricted, nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &started);
    CloseHandle(restricted);
    if (!ok)
        return false;
    CloseHandle(started.hThread);
    watched->Adopt(started.hProcess, started.dwProcessId);
    watched->Boxes.clear();
    return true;
}

bool StartChildAction(const char* name, WatchedProcess* watched, const std::string& argument)
{
    return StartWatched(ChildCommandLine(name, argument), watched);
}

static SeenMessageBox SeeMessageBox(HWND box)
{
    MessageBoxView view = ReadMessageBox(box);
    SeenMessageBox seen;
    seen.Caption = view.caption;
    seen.Text = view.text;
    seen.HasIcon = view.icon != 0;
    return seen;
}

int FinishWatched(WatchedProcess* watched, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (watched->Handle() == nullptr || WaitForSingleObject(watched->Handle(), 50) == WAIT_OBJECT_0)
            break;
        HWND box = FindMessageBox(nullptr, watched->Id());
        if (box != nullptr) {
            watched->Boxes.push_back(SeeMessageBox(box));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            // Wait for this box to go before looking for the next one.
            WaitForWindowGone(box, 2000);
        }
        if (GetTickCount() - start > timeoutMs)
            break;
    }
    // Ended by now, or ended here after the time-out (-999).
    return watched->Wait(0);
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
    return WaitUntil([&] { return FindCrossCentre(x, y, 40, centre); }, timeoutMs);
}
