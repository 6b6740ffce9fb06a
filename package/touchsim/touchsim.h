// Touch-panel simulator: plays the touchscreen for tests and the demo.
//
// A finger touches the screen at (x, y). The panel model turns that into the
// raw point the controller would report; the simulator hands it to the
// stand-in driver (IOCTL_SIM_SET_RAW_POINT), asks the driver where its loaded
// calibration puts that raw point (IOCTL_SIM_MAP_POINT) and clicks there with
// SetCursorPos + SendInput: a left press and release, or a right one when the
// driver's right-button mode is on (IOCTL_SIM_TAKE_BUTTON). A program that
// then reads IOCTL_READ_RAW_POINT gets the raw point of that touch.
//
// Stand-in files in the build tree: QuorUsb.exe, QuorUsb.inf and QuorUsb.sys
// all lie in <build>/package/stage (TouchSimStandInDirectory). Every call
// below works in the current Wine prefix; nothing here needs a test
// framework.
#pragma once
#include <windows.h>

#include <string>

#include "touch_simulator_ioctl.h"

// --- panel model -----------------------------------------------------------
// The panel is mounted a little off the screen. Where the uncalibrated driver
// (raw 0..65535 spread over the screen) puts a finger at f:
//     p = c + R(RotationDegrees) * diag(ScaleX, ScaleY) * (f - c) + (OffsetX, OffsetY)
// with c the screen centre, all in pixels. The raw point is p in units of
// 65535 / (side - 1); then the axes are swapped (SwapXY: the panel's X runs
// along the screen's Y) and inverted (InvertX/InvertY: raw = 65535 - raw),
// and each is clamped to 0..65535.
struct TouchPanelModel {
    double OffsetX = 24, OffsetY = 12; // pixels
    double ScaleX = 0.92, ScaleY = 0.92;
    double RotationDegrees = 1.0;
    bool SwapXY = false;
    bool InvertX = false;
    bool InvertY = false;
};
// The default above: on 1024 x 768 an uncalibrated touch at the centre lands
// 27 pixels off the finger, one at a corner 60 to 80; every screen point
// stays inside the panel's raw range.
TouchPanelModel DefaultTouchPanelModel();
// Raw word (X bits 31..16, Y bits 15..0) of a finger at (x, y) on a screen of
// width x height pixels.
DWORD PanelRawWord(const TouchPanelModel& model, int x, int y, int width, int height);

// --- the device --------------------------------------------------------------
// Opens \\.\VessatouchUsb as the calibration tool does (GENERIC_READ |
// GENERIC_WRITE, no sharing, OPEN_EXISTING, normal attributes).
// INVALID_HANDLE_VALUE with the last error on failure (2: no driver).
HANDLE TouchSimOpenDevice();
// Every call below returns false with the thread's last error from
// DeviceIoControl when the driver refuses.
// Tells the driver the screen size (it can't measure it).
bool TouchSimSetScreen(HANDLE device, long width, long height);
// The same with GetSystemMetrics(SM_CXSCREEN / SM_CYSCREEN).
bool TouchSimSetScreenFromSystem(HANDLE device);
bool TouchSimSetRawPoint(HANDLE device, DWORD rawWord);
// IOCTL_READ_RAW_POINT with a 4-byte output, as the calibration tool reads.
bool TouchSimReadRawPoint(HANDLE device, DWORD* rawWord);
// IOCTL_RELOAD_CALIBRATION.
bool TouchSimReload(HANDLE device);
// Where the loaded calibration puts the raw word on the screen.
bool TouchSimMapPoint(HANDLE device, DWORD rawWord, POINT* screen);
// Reload count, raw read count, loaded calibration record (Values in record
// field order) and flag, screen size, last raw word, pending modes.
bool TouchSimGetState(HANDLE device, TOUCH_SIM_STATE* state);
// The next `count` raw reads fail with the NTSTATUS `status` (an error code,
// e.g. 0xC0000185 STATUS_IO_DEVICE_ERROR: DeviceIoControl then gives FALSE
// and last error 1117); count 0 cancels.
bool TouchSimFailReads(HANDLE device, unsigned long count, long status);
// Right-button mode: the next touch clicks with the right button.
bool TouchSimSetRightButton(HANDLE device, bool on);
// 1 = left, 2 = right; taking the right button ends the mode.
bool TouchSimTakeButton(HANDLE device, unsigned long* button);

// --- touching --------------------------------------------------------------
struct TouchResult {
    DWORD RawWord = 0;       // what IOCTL_READ_RAW_POINT now returns
    POINT Clicked = {0, 0};  // where the press and release were sent
    unsigned long Button = 1; // 1 left, 2 right
};
// A finger at (x, y): raw point through the model (default model when null)
// on the screen size of GetSystemMetrics, handed to the driver, mapped by
// the driver, clicked. The screen size is told to the driver first. The
// clicks are posted input: the caller's message loop (or another process's)
// receives them.
bool TouchSimTouch(HANDLE device, int x, int y, TouchResult* result, const TouchPanelModel* model = nullptr);

// --- the stand-in driver package -----------------------------------------
// <buildTree>\package\stage, where the build puts QuorUsb.exe, QuorUsb.inf
// and QuorUsb.sys. buildTree is a Windows path (e.g. TestBinDir()).
std::string TouchSimStandInDirectory(const std::string& buildTree);
// Copies QuorUsb.exe, QuorUsb.inf and QuorUsb.sys from one directory into
// another (created when missing), e.g. so that a test runs the tool from a
// folder of its own. False when a copy fails.
bool TouchSimCopyStandIns(const std::string& from, const std::string& to);
// Runs "<directory>\QuorUsb.exe" "<directory>\QuorUsb.inf" 10 setup with the
// directory as working directory, hidden, and waits (up to timeoutMs). The
// tool copies QuorUsb.sys into System32\drivers when it is missing there,
// installs and starts the auto-start service VessaUsb and waits until the
// device opens. Returns the tool's exit code (0 installed, 2 failed), or -1
// when it could not be started or did not end in time.
int TouchSimInstallDriver(const std::string& directory, DWORD timeoutMs = 120000);
// Runs "<directory>\QuorUsb.exe" uninstall 10 delete the same way.
int TouchSimRemoveDriver(const std::string& directory, DWORD timeoutMs = 120000);
