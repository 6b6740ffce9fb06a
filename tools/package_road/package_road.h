// The package's road driven like a user on the display it runs on:
// Install.exe from the package folder through the wizard, then the
// calibration tool with four simulated touches and "OK". Shared by the
// demo's scripted user and the package road's benchmark.
#pragma once
#include <windows.h>

#include <string>

// Where screenshots go ("" for none); each screen is saved as
// "<nn>-<name>.bmp", which tools/demo turns into a PNG.
extern std::string ShotFolder;
// With figures, the road prints "BENCH <name> <value> <unit>" lines: the
// wizard's Next to Finish and the programs' peak memory.
extern bool PrintFigures;

// One step of the road with the seconds since the program started.
void Say(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
// Says where the road stopped; the step's number is the exit code.
int Fail(int step, const char* what);
// A message box of the given caption whose text starts with prefix.
HWND WaitMessageBox(const char* caption, const char* prefix, DWORD timeoutMs);
// "BENCH peak_memory_<program>" of a running process, or of a window's.
void ReportPeak(const char* program, HANDLE process);
void ReportPeakOfWindow(const char* program, HWND window);

// Steps 1 to 7: Install.exe from the package folder, Welcome, Next, the three
// steps, Finish, No to the restart. 0, or the step that failed.
int DriveInstaller(const std::string& package);
// Steps 8 to 11: the calibration tool that Finish started, four touches at
// its crosses, "OK"; then the calibration record and the touch error before
// and after. 0, or the step that failed.
int DriveCalibration();
