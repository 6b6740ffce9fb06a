// What the package's rollback actions put back: whether the driver's service
// exists, and the parameter key's values as they were before a removal or an
// upgrade overwrote them.
#pragma once
#include <windows.h>

// True only when the service manager says the driver's service does not
// exist; a manager that can't be asked counts as "there".
bool DriverServiceMissing();

// The parameter key's values that are there, as "Name=decimal;..." in table
// order ("" when none). False when they would not fit.
bool FormatParameterValues(char* out, size_t size);

// Writes every "Name=decimal" of such a text back as REG_DWORD, creating the
// key; names outside the parameter table are skipped. The count written.
int RestoreParameterValues(const char* text);

// True when the parameter key exists and holds at least one value.
bool ParameterValuesPresent();
