// The log-on autostart value under the current user's Run key.
#pragma once
#include <windows.h>

extern const char RunKey[];            // "SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
extern const char AutostartValueName[]; // "QuortouchUsb"
extern const char AutostartFileName[];  // CALIBRATION_TOOL_FILE_NAME

// Writes "<Windows directory>\<valueName>\<fileName>" as REG_SZ, stored
// without its terminating zero. Writes nothing on Windows 6.0, or when the
// path would not fit 260 characters.
void SetAutostartValue(const char* valueName, const char* fileName);
// The same value under another Run key, such as another user's
// ("<SID>\SOFTWARE\...\Run" under HKEY_USERS).
void SetAutostartValueIn(HKEY root, const char* runKeyPath, const char* valueName, const char* fileName);
// The value's data; false when it would not fit.
bool FormatAutostartData(char (&data)[MAX_PATH], const char* valueName, const char* fileName);

// Deletes the value; a missing value is no error. Creates the Run key when it
// is missing.
void DeleteAutostartValue(const char* valueName);
