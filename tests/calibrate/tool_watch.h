// Starting the calibration tool (or a child action of the test program) as a
// process of its own and watching what it shows: message boxes, its window,
// the pixels on the screen.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct SeenMessageBox {
    std::string Caption;
    std::string Text;
    bool HasIcon = false;
};

struct WatchedProcess {
    HANDLE Process = nullptr;
    DWORD Id = 0;
    std::vector<SeenMessageBox> Boxes;
};

// Starts the command line (not waited for). False when it could not start.
bool StartWatched(const std::string& commandLine, WatchedProcess* watched);
// The calibration tool from the build tree, no arguments unless given.
bool StartCalibrationTool(WatchedProcess* watched, const std::string& arguments = "");
// A child action of the running test program ("--child NAME ARG").
bool StartChildAction(const char* name, WatchedProcess* watched, const std::string& argument = "");

// Waits for the process to end, answering every message box it shows with
// OK and recording it. Returns the exit code, or -999 on timeout (the process
// is then ended). Closes the process handle.
int FinishWatched(WatchedProcess* watched, DWORD timeoutMs = 60000);

// The visible top-level window of the given class that belongs to the
// process; waits up to timeoutMs for it. Null when none appeared.
HWND WaitForWindowOf(DWORD processId, const char* className, DWORD timeoutMs = 20000);
COLORREF ScreenPixel(int x, int y);

// Saves the whole screen as a 24-bit BMP file into the artifacts folder;
// returns the path.
std::string SaveScreenshot(const std::string& name);

// The centre of the cross bitmap on the screen: the pixel where its yellow
// row meets its green column, searched in the square of the given half size
// around (x, y). False when no cross is there.
bool FindCrossCentre(int x, int y, int halfSize, POINT* centre);
// Waits until a cross shows within 40 pixels of (x, y).
bool WaitForCross(int x, int y, POINT* centre, DWORD timeoutMs = 10000);

void PressKey(WORD virtualKey);
