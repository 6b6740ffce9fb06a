#include "calibration_window.h"

#include "autostart.h"
#include "calibration_app.h"
#include "calibration_crosses.h"
#include "calibration_record.h"
#include "debug_trace.h"
#include "driver_contract.h"
#include "touch_device.h"

int CalibrationState = 0;
RawPoint RawPoints[4] = {};
int SavedRecord[10] = {};
int SavedFourPoint = 0;
const int CrossPositionTable[2] = {CROSS_NEAR, CROSS_FAR};

static POINT CurrentCross = {};
static HDC CrossDC = nullptr;
static HDC CheckMarkDC = nullptr;
static HDC FingerDC = nullptr;
static HWND OkButton = nullptr;
static HWND AdjustAgainButton = nullptr;
// Whether this window has lowered the cursor display count (by exactly one).
static bool CursorHidden = false;

static const char TouchText[] = " TOUCH THE CENTER \n OF THE CROSS";
static const char CheckText[] =
    " CHECK CALIBRATION \n Touch different areas on the screen, \n does the cursor jump to your fingertip?";
static const char TouchTrace[] = "$$$$$$$$XY(%5d,%5d)\n";
static const char SecondTouchTrace[] = "$$$$$$$$XY2(%5d,%5d)\n";

POINT CrossPosition(int state, int screenWidth, int screenHeight)
{
    int column = (state - 1) % 2;
    int row = (state - 1) / 2;
    POINT centre;
    centre.x = CrossPositionTable[column] * screenWidth / CROSS_UNITS;
    centre.y = CrossPositionTable[row] * screenHeight / CROSS_UNITS;
    return centre;
}

// The cursor is hidden while the crosses are shown and visible on the check
// screen; each direction changes the display count at most once.
static void HideCalibrationCursor()
{
    if (CursorHidden)
        return;
    ShowCursor(FALSE);
    CursorHidden = true;
}

static void ShowCalibrationCursor()
{
    if (!CursorHidden)
        return;
    ShowCursor(TRUE);
    CursorHidden = false;
}

static void CommitNewRecord()
{
    CommitCalibrationRecord(RawPoints[0].X, RawPoints[0].Y, RawPoints[1].X, RawPoints[1].Y, RawPoints[2].X,
                            RawPoints[2].Y, RawPoints[3].X, RawPoints[3].Y, ScreenWidth, ScreenHeight);
}

static void RestoreSavedRecord()
{
    RestoreCalibrationRecord(SavedRecord[0], SavedRecord[1], SavedRecord[2], SavedRecord[3], SavedRecord[4],
                             SavedRecord[5], SavedRecord[6], SavedRecord[7], SavedRecord[8], SavedRecord[9],
                             SavedFourPoint);
}

static HWND CreateCheckButton(HWND window, const char* text, int left, int top)
{
    HWND button = CreateWindowExA(0, "button", text, WS_CHILD | WS_VISIBLE, left, top, 100, 50, window, nullptr,
                                  nullptr, nullptr);
    ShowWindow(button, SW_HIDE);
    return button;
}

static void OnCreate(HWND window)
{
    LoadCalibrationRecord(&SavedRecord[0], &SavedRecord[1], &SavedRecord[2], &SavedRecord[3], &SavedRecord[4],
                          &SavedRecord[5], &SavedRecord[6], &SavedRecord[7], &SavedRecord[8], &SavedRecord[9],
                          &SavedFourPoint);
    HideCalibrationCursor();
    CalibrationState = 1;

    HDC windowDC = GetDC(window);
    CrossDC = CreateCompatibleDC(windowDC);
    CheckMarkDC = CreateCompatibleDC(windowDC);
    FingerDC = CreateCompatibleDC(windowDC);
    SelectObject(CrossDC, CrossBitmap);
    SelectObject(CheckMarkDC, CheckMarkBitmap);
    SelectObject(FingerDC, FingerBitmap);
    ReleaseDC(window, windowDC);

    SetTimer(window, CalibrationTimerId, CalibrationTimeoutMs, nullptr);

    int w = ScreenWidth, h = ScreenHeight;
    OkButton = CreateCheckButton(window, "OK", w / 2 - 105, h / 2 - 30);
    AdjustAgainButton = CreateCheckButton(window, "Adjust Again", w / 2 + 5, h / 2 - 30);
}

static void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SetTextColor(dc, RGB(0, 102, 255));
    int w = ScreenWidth, h = ScreenHeight;
    RECT textRect = {w / 2 - 100, h / 2 - 50, w / 2 + 100, h / 2 + 100};

    BITMAP cross = {};
    GetObjectA(CrossBitmap, sizeof cross, &cross);

    if (CalibrationState >= 1 && CalibrationState <= 4) {
        CurrentCross = CrossPosition(CalibrationState, w, h);
        BitBlt(dc, CurrentCross.x - cross.bmWidth / 2, CurrentCross.y - cross.bmHeight / 2, cross.bmWidth,
               cross.bmHeight, CrossDC, 0, 0, SRCCOPY);
        BitBlt(dc, w / 2 - 120, h / 2 - 50, 28, 27, CheckMarkDC, 0, 0, SRCCOPY);
        DrawTextA(dc, TouchText, -1, &textRect, DT_CENTER);
    } else if (CalibrationState == 0) {
        BitBlt(dc, w / 2 - 45, h / 2 - 220, 91, 109, FingerDC, 0, 0, SRCCOPY);
        RECT checkRect = {w / 2 - 200, h / 2 - 100, w / 2 + 200, h / 2 + 100};
        DrawTextA(dc, CheckText, -1, &checkRect, DT_CENTER);
        ShowWindow(OkButton, SW_SHOWNORMAL);
        ShowWindow(AdjustAgainButton, SW_SHOWNORMAL);
        ShowCalibrationCursor();
    }
    EndPaint(window, &paint);
}

static void OnTouch(HWND window)
{
    int n = CalibrationState;
    DWORD rawWord = 0;
    if (n >= 1 && n <= 4 && ReadRawPoint(&rawWord)) {
        CalibrationState = n == 4 ? 0 : n + 1;
        RawPoints[n - 1].X = static_cast<int>(RAW_POINT_X(rawWord));
        RawPoints[n - 1].Y = static_cast<int>(RAW_POINT_Y(rawWord));
        DebugTrace(0, n == 2 ? SecondTouchTrace : TouchTrace, RawPoints[n - 1].X, RawPoints[n - 1].Y);
        if (n == 4)
            CommitNewRecord();
    }
    InvalidateRect(window, nullptr, TRUE);
    Beep(2000, 100);
}

static void OnCommand(HWND window, HWND control)
{
    if (control == nullptr)
        return;
    if (control == OkButton) {
        CommitNewRecord();
        DestroyWindow(window);
        DeleteAutostartValue(AutostartValueName);
    } else if (control == AdjustAgainButton) {
        CalibrationState = 1;
        RestoreSavedRecord();
        HideCalibrationCursor();
        SetTimer(window, CalibrationTimerId, CalibrationTimeoutMs, nullptr);
        InvalidateRect(window, nullptr, TRUE);
        ShowWindow(OkButton, SW_HIDE);
        ShowWindow(AdjustAgainButton, SW_HIDE);
    }
}

static void OnDestroy()
{
    ShowCalibrationCursor();
    // The device contexts go first so that the bitmaps are no longer
    // selected into them when they are deleted.
    DeleteDC(CrossDC);
    DeleteDC(CheckMarkDC);
    DeleteDC(FingerDC);
    DeleteObject(CrossBitmap);
    DeleteObject(CheckMarkBitmap);
    DeleteObject(FingerBitmap);
    CrossDC = CheckMarkDC = FingerDC = nullptr;
    CrossBitmap = CheckMarkBitmap = FingerBitmap = nullptr;
    PostQuitMessage(0);
}

LRESULT CALLBACK CalibrationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_PAINT:
        OnPaint(window);
        break;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE || wParam == VK_SPACE) {
            RestoreSavedRecord();
            KillTimer(window, CalibrationTimerId);
            DestroyWindow(window);
        }
        break;
    case WM_COMMAND:
        OnCommand(window, reinterpret_cast<HWND>(lParam));
        break;
    case WM_TIMER:
        if (wParam == CalibrationTimerId) {
            KillTimer(window, CalibrationTimerId);
            DestroyWindow(window);
        }
        break;
    case WM_LBUTTONUP:
        OnTouch(window);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
