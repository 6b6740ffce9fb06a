#include "parameter_store.h"

#include "registry_key.h"

const char ParameterKey[] = PARAMETER_KEY_PATH;

const DeviceParameter DeviceParameterTable[DeviceParameterCount] = {
    {"SwapXY", 0},
    {CAL_SCREEN_WIDTH, 100},
    {CAL_SCREEN_HIGH, 100},
    {"DragDelay", 0},
    {"ButtonMode", 0},
    {CAL_TOP_LEFT_X, 0},
    {CAL_TOP_LEFT_Y, 0},
    {CAL_TOP_RIGHT_X, 0},
    {CAL_TOP_RIGHT_Y, 0},
    {CAL_BOTTOM_LEFT_X, 0},
    {CAL_BOTTOM_LEFT_Y, 0},
    {CAL_BOTTOM_RIGHT_X, 0},
    {CAL_BOTTOM_RIGHT_Y, 0},
    {"BeepMode", 2},
    {"BeepFreq", 1000},
    {"BeepTime", 11000},
    {"MouseMode", 3},
    {"DblClickRegion", 10},
    {CAL_FOUR_POINT, 0},
};

const char* const CalibrationRecord[CalibrationFieldCount] = {
    CAL_TOP_LEFT_X,    CAL_TOP_LEFT_Y,    CAL_TOP_RIGHT_X,    CAL_TOP_RIGHT_Y,  CAL_BOTTOM_LEFT_X,
    CAL_BOTTOM_LEFT_Y, CAL_BOTTOM_RIGHT_X, CAL_BOTTOM_RIGHT_Y, CAL_SCREEN_WIDTH, CAL_SCREEN_HIGH,
};
const char CalibrationFlag[] = CAL_FOUR_POINT;

int WriteParameterDefaults()
{
    HKEY key = nullptr;
    if (!OpenOrCreateKey(HKEY_LOCAL_MACHINE, ParameterKey, KEY_ALL_ACCESS, &key))
        return -3;
    for (const DeviceParameter& entry : DeviceParameterTable)
        RegSetValueExA(key, entry.Name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&entry.Default), 4);
    RegCloseKey(key);
    return 0;
}

void DeleteParameterValues()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ParameterKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    for (const DeviceParameter& entry : DeviceParameterTable)
        RegDeleteValueA(key, entry.Name);
    RegCloseKey(key);
}
