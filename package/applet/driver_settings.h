// What the applet shows: the driver's settings and calibration state as the
// parameter key holds them, and the texts it shows for them.
#pragma once
#include <windows.h>

#include <cstddef>

#include "parameter_store.h"

struct DriverSettings {
    bool Installed;                     // the parameter key could be opened
    bool Present[DeviceParameterCount]; // the value exists
    DWORD Values[DeviceParameterCount]; // in DeviceParameterTable order
};

// Reads every value of the parameter key with read access only, so the
// applet works without administrator rights. False when the key is missing.
bool ReadDriverSettings(DriverSettings* settings);

// The value of one parameter by name; false when it is missing.
bool FindSetting(const DriverSettings& settings, const char* name, DWORD* value);

// One line for the driver state and one for the calibration state.
void DescribeDriverState(const DriverSettings& settings, char* text, size_t size);
void DescribeCalibrationState(const DriverSettings& settings, char* text, size_t size);

// "Name\tvalue" for the list, or "Name\t(missing)".
void DescribeSetting(const DriverSettings& settings, int index, char* text, size_t size);

extern const char DriverNotInstalledText[];
