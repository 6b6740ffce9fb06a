// Driving the windows of the programs under test: finding and waiting for
// top-level windows, reading their text, pressing dialog buttons, screen
// pixels and screenshots, and keyboard and pointer input through SendInput.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Polls every 5 ms until the condition holds; false after timeoutMs.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
// Handles this thread's messages (for windows the test itself owns) until the
// condition holds; false after timeoutMs.
bool PumpMessagesUntil(const std::function<bool()>& condition, DWORD timeoutMs);
// Waits for a file to appear; false after timeoutMs.
bool WaitForFile(const std::string& path, DWORD timeoutMs = 10000);

// A visible top-level window of that class and exact title (either may be
// null), optionally only of one process (processId 0 = any).
HWND FindTopWindow(const char* className, const char* title, DWORD processId = 0);
HWND WaitForTopWindow(const char* className, const char* title, DWORD timeoutMs = 10000, DWORD processId = 0);
// True once the window is destroyed or hidden; false after timeoutMs.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);

// The window's text through its own thread (also for other processes).
std::string WindowText(HWND window);
// The text of the dialog's control of that id.
std::string ItemText(HWND dialog, int id);
// The text of a message box: its static control 0xFFFF.
std::string MessageBoxText(HWND box);
std::string ClassNameOf(HWND window);
RECT WindowRectOf(HWND window);
// True when the window's rectangle is centred on the screen within a pixel.
bool IsCentredOnScreen(HWND window);

// Waits until the window's thread has finished the message in hand and the
// paint then due (before a screenshot or a pixel check).
void WaitForPaint(HWND window);

// Presses the button of that id (IDOK, IDYES, IDNO, ...) of a message box or
// dialog: a BM_CLICK posted to it, as a mouse click would. False when the
// button is missing or disabled.
bool PressButton(HWND dialog, int id);

COLORREF ScreenPixel(int x, int y);
// The screen's pixels in the rectangle, row by row from the top, as COLORREF
// values.
std::vector<COLORREF> CaptureScreenRect(int left, int top, int width, int height);
// Saves the whole screen into the artifacts folder under that file name: a
// PNG of the virtual display when the name ends in ".png", else a 24-bit BMP
// of the screen as the program sees it. Returns the file's path, empty when
// nothing was saved.
std::string SaveScreenshot(const std::string& fileName);

// The screen as the program sees it, as a 24-bit BMP file at that path.
bool SaveScreenBmp(const std::string& path);

// Keyboard and pointer input, in screen pixels.
void PressKey(WORD virtualKey);
void MovePointerTo(int x, int y);
// One pointer button event (MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, ...).
void SendPointerButton(DWORD flag);
// A real click with the pointer at the centre of a control, after bringing
// its window to the front.
void ClickControl(HWND control);
// Left button down at from, moves in steps to to, button up there.
void DragPointer(POINT from, POINT to, int steps = 20);
