// Starting the calibration tool (or a child action of the test program) as a
// process of its own and watching what it shows: message boxes and the cross
// on the screen. Finding its window, screen pixels, screenshots and key
// presses come from gui_support.h.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "gui_support.h"
#include "test_support.h"

struct SeenMessageBox {
    std::string Caption;
    std::string Text;
    bool HasIcon = false;
};

// A started process (test_support.h) and the message boxes it showed.
struct WatchedProcess : StartedProcess {
    std::vector<SeenMessageBox> Boxes;
};

// Starts the command line (not waited for). False when it could not start.
bool StartWatched(const std::string& commandLine, WatchedProcess* watched);
// The calibration tool from the build tree, no arguments unless given.
bool StartCalibrationTool(WatchedProcess* watched, const std::string& arguments = "");
// The calibration tool as a user without administrator rights would start
// it: a token whose Administrators group is deny-only, without privileges.
bool StartCalibrationToolUnelevated(WatchedProcess* watched);
// A child action of the running test program ("--child NAME ARG").
bool StartChildAction(const char* name, WatchedProcess* watched, const std::string& argument = "");

// Waits for the process to end, answering every message box it shows with
// OK and recording it. Returns the exit code, or -999 on timeout (the process
// is then ended). Closes the process handle.
int FinishWatched(WatchedProcess* watched, DWORD timeoutMs = 60000);

// The centre of the cross bitmap on the screen: the pixel where its yellow
// row meets its green column, searched in the square of the given half size
// around (x, y). False when no cross is there.
bool FindCrossCentre(int x, int y, int halfSize, POINT* centre);
// Waits until a cross shows within 40 pixels of (x, y).
bool WaitForCross(int x, int y, POINT* centre, DWORD timeoutMs = 10000);
