// The calibration record in the driver's parameter key: loaded when the
// calibration window is created, committed after the fourth touch and on OK,
// restored on "Adjust Again", Escape and Space.
#pragma once
#include <windows.h>

// Reads the ten values in field order into the destinations; a value that is
// missing (or a key that can't be opened) leaves its destination as it was.
// Nothing is read when one of the eight corner destinations is null. When
// fourPoint is given it receives Calibration4Pt as the key holds it, 0 when
// the value is missing or the key can't be opened.
void LoadCalibrationRecord(int* topLeftX, int* topLeftY, int* topRightX, int* topRightY, int* bottomLeftX,
                           int* bottomLeftY, int* bottomRightX, int* bottomRightY, int* screenWidth,
                           int* screenHigh, int* fourPoint = nullptr);

// Writes the ten values and Calibration4Pt 1, flushes, waits for each value to
// read back, then asks the driver to reload. Silent; nothing at all happens
// when the key can't be opened with full access.
void CommitCalibrationRecord(int topLeftX, int topLeftY, int topRightX, int topRightY, int bottomLeftX,
                             int bottomLeftY, int bottomRightX, int bottomRightY, int screenWidth, int screenHigh);

// Writes a saved record back with the flag it was loaded with, creating the
// key when it is missing ("Open Registry error!!!" when that fails too),
// waits for each value to read back and asks the driver to reload.
void RestoreCalibrationRecord(int topLeftX, int topLeftY, int topRightX, int topRightY, int bottomLeftX,
                              int bottomLeftY, int bottomRightX, int bottomRightY, int screenWidth, int screenHigh,
                              int fourPoint);

// Reads the value (key opened with KEY_READ; 0 when it can't be opened) until
// it equals the expected one: a first read, then at most 20 re-reads each
// followed by a 5 ms sleep.
void WaitForParameterValue(const char* valueName, DWORD expected);

// Number of reads WaitForParameterValue has made in this process.
extern unsigned long ParameterReadCount;
