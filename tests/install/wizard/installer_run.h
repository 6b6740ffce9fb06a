// Running Install.exe as a child process from a package folder inside the
// prefix and walking it through its wizard.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "installed_system.h"
#include "message_boxes.h"
#include "test_support.h"

extern const char SetupTitle[];      // "Quortouch USB Touchscreen Setup"
extern const char UninstallTitle[];  // "Quortouch USB Touchscreen Uninstall"
extern const char WelcomeTitle[];
extern const char ProgressTitle[];

// C:\QuortouchPackage: the package files. Install.exe, QuortouchUsb.exe
// and the stand-in QuorUsb.exe/.inf/.sys come from the build tree; the
// applet, help, the two demo tools and the read-me are placeholders
// (WritePackage; only copied and linked). Without withReadMe "ReadMe.txt" is left out.
std::string PackageDirectory();
bool MakePackage(bool withReadMe = true);
// The package file with a few bytes more at its end (a program still runs).
bool ChangePackageFile(const char* name);
// The running setup tool (QuorUsb.exe) of the prefix, opened for its times
// and its end; null when none runs.
HANDLE OpenRunningSetupTool();
// A file renamed or copied to wait for the restart ("qtu*.tmp") is there.
bool HasStagedFile(const std::string& directory);

// The installer started by a test (test_support.h's StartedProcess).
using InstallerProcess = StartedProcess;
// Starts "<exe>" <arguments> (the text after the program name exactly as
// given) in the directory of exe.
bool StartInstaller(const std::string& exe, const std::string& arguments, InstallerProcess* installer);
// Milliseconds from the installer's process creation until now.
DWORD MillisecondsSinceStart(const InstallerProcess& installer);

// The wizard's windows of that process.
HWND WaitForMainWindow(const InstallerProcess& installer, DWORD timeoutMs = 30000);
HWND WaitForWelcome(const InstallerProcess& installer, DWORD timeoutMs = 30000);
HWND WaitForProgress(const InstallerProcess& installer, DWORD timeoutMs = 30000);

bool IsControlEnabled(HWND dialog, int id);

// What the Progress dialog showed while it ran: the order in which status
// lines 1005, 1004, 1006 and Finish (1003) became enabled, with the time of
// each (ms after the Progress dialog appeared).
struct ProgressTrace {
    std::vector<int> Enabled;
    std::vector<DWORD> At;
    DWORD NextPressedTick = 0;
    DWORD ProgressShownTick = 0;
    DWORD FinishEnabledTick = 0;
};
// Polls the dialog until Finish is enabled, a message box of the process
// shows up, or the process ends; records the order of the status lines.
// Returns the message box if one came up (else null).
HWND WatchProgress(const InstallerProcess& installer, HWND progress, ProgressTrace* trace, DWORD timeoutMs = 60000);

// Welcome -> Next -> every step -> Finish -> restart question -> No, with the
// package's Install.exe unless another is given. The calibration tool that
// Finish starts is left running; returns its window (null when none came
// up). False when any stage did not come or a failure box showed.
bool RunCompleteInstall(ProgressTrace* trace = nullptr, HWND* calibrationWindow = nullptr,
                        const std::string& exe = "");
// "<exe> /u": Yes to the confirmation, No to the restart question; false
// when either did not come or the exit code was not 0.
bool RunRemoval(const std::string& exe);

// The calibration tool's full-screen window of any process.
HWND WaitForCalibrationWindow(DWORD timeoutMs = 30000);
// Ends the calibration tool as its user would, with Escape; waits for its
// window to go.
bool CloseCalibrationTool(HWND window);
// Calibrates through the touch simulator (four touches, then "OK", with a
// screenshot of the check screen when named); true when the tool closed and
// the driver loaded a four-point calibration.
bool CalibrateWithTouches(HWND tool, const char* screenshot = nullptr);


