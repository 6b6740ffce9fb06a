// The calibration record in the parameter key, written and checked by tests.
#pragma once
#include <windows.h>

// Writes the ten record values and Calibration4Pt (a gtest failure when a
// write fails).
void WriteRecord(const DWORD (&values)[10], DWORD flag);
// Expects the ten values and Calibration4Pt in the key; `when` names the
// moment in failure messages.
void ExpectRecord(const DWORD (&values)[10], DWORD flag, const char* when = "");
