// The driver's parameter key: the nineteen values that the installer, the
// calibration tool and the kernel driver share.
#pragma once
#include <windows.h>

#include "driver_contract.h"

// Under HKEY_LOCAL_MACHINE, passed to every registry call exactly like this.
extern const char ParameterKey[];

struct DeviceParameter {
    char Name[MAX_PATH];
    DWORD Default;
};

constexpr int DeviceParameterCount = 19;
// Written in this order at install and deleted in this order at uninstall.
extern const DeviceParameter DeviceParameterTable[DeviceParameterCount];

// The ten values of the calibration record in field order, and its flag.
constexpr int CalibrationFieldCount = 10;
extern const char* const CalibrationRecord[CalibrationFieldCount];
extern const char CalibrationFlag[];

// Creates the key when it can't be opened and writes every default in table
// order. 0, or -3 when the key can neither be opened nor created.
int WriteParameterDefaults();

// Deletes the nineteen values; does nothing when the key can't be opened.
void DeleteParameterValues();
