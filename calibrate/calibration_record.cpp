#include "calibration_record.h"

#include "parameter_store.h"
#include "registry_key.h"
#include "touch_device.h"

unsigned long ParameterReadCount = 0;

static constexpr int WaitRetries = 20;
static constexpr DWORD WaitSleepMs = 5;

static void ReadParameterWord(const char* valueName, DWORD* word)
{
    ++ParameterReadCount;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ParameterKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        *word = 0;
        return;
    }
    DWORD size = 4;
    RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(word), &size);
    RegCloseKey(key);
}

void WaitForParameterValue(const char* valueName, DWORD expected)
{
    DWORD word = 0;
    ReadParameterWord(valueName, &word);
    if (word == expected)
        return;
    for (int retry = 0; retry < WaitRetries; ++retry) {
        ReadParameterWord(valueName, &word);
        Sleep(WaitSleepMs);
        if (word == expected)
            return;
    }
}

static void SetWord(HKEY key, const char* valueName, DWORD value)
{
    RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
}

// Writes the ten fields and the flag, flushes and closes the key, then waits
// for every value to read back as written.
static void WriteRecordAndWait(HKEY key, const DWORD (&fields)[CalibrationFieldCount], DWORD fourPoint)
{
    for (int i = 0; i < CalibrationFieldCount; ++i)
        SetWord(key, CalibrationRecord[i], fields[i]);
    SetWord(key, CalibrationFlag, fourPoint);
    RegFlushKey(key);
    RegCloseKey(key);
    for (int i = 0; i < CalibrationFieldCount; ++i)
        WaitForParameterValue(CalibrationRecord[i], fields[i]);
    WaitForParameterValue(CalibrationFlag, fourPoint);
}

void LoadCalibrationRecord(int* topLeftX, int* topLeftY, int* topRightX, int* topRightY, int* bottomLeftX,
                           int* bottomLeftY, int* bottomRightX, int* bottomRightY, int* screenWidth,
                           int* screenHigh, int* fourPoint)
{
    int* destinations[CalibrationFieldCount] = {topLeftX,    topLeftY,     topRightX,    topRightY,   bottomLeftX,
                                                bottomLeftY, bottomRightX, bottomRightY, screenWidth, screenHigh};
    for (int i = 0; i < 8; ++i)
        if (destinations[i] == nullptr)
            return;
    if (fourPoint != nullptr)
        *fourPoint = 0;

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ParameterKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    for (int i = 0; i < CalibrationFieldCount; ++i) {
        if (destinations[i] == nullptr)
            continue;
        DWORD size = 4;
        RegQueryValueExA(key, CalibrationRecord[i], nullptr, nullptr, reinterpret_cast<BYTE*>(destinations[i]),
                         &size);
    }
    if (fourPoint != nullptr) {
        DWORD size = 4;
        RegQueryValueExA(key, CalibrationFlag, nullptr, nullptr, reinterpret_cast<BYTE*>(fourPoint), &size);
    }
    RegCloseKey(key);
}

void CommitCalibrationRecord(int topLeftX, int topLeftY, int topRightX, int topRightY, int bottomLeftX,
                             int bottomLeftY, int bottomRightX, int bottomRightY, int screenWidth, int screenHigh)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ParameterKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    const DWORD fields[CalibrationFieldCount] = {
        static_cast<DWORD>(topLeftX),     static_cast<DWORD>(topLeftY),     static_cast<DWORD>(topRightX),
        static_cast<DWORD>(topRightY),    static_cast<DWORD>(bottomLeftX),  static_cast<DWORD>(bottomLeftY),
        static_cast<DWORD>(bottomRightX), static_cast<DWORD>(bottomRightY), static_cast<DWORD>(screenWidth),
        static_cast<DWORD>(screenHigh)};
    WriteRecordAndWait(key, fields, 1);
    SendReloadCalibration();
}

void RestoreCalibrationRecord(int topLeftX, int topLeftY, int topRightX, int topRightY, int bottomLeftX,
                              int bottomLeftY, int bottomRightX, int bottomRightY, int screenWidth, int screenHigh,
                              int fourPoint)
{
    HKEY key = nullptr;
    if (!OpenOrCreateKey(HKEY_LOCAL_MACHINE, ParameterKey, KEY_ALL_ACCESS, &key)) {
        MessageBoxA(nullptr, "Open Registry error!!!", "Error", MB_OK);
        return;
    }
    const DWORD fields[CalibrationFieldCount] = {
        static_cast<DWORD>(topLeftX),     static_cast<DWORD>(topLeftY),     static_cast<DWORD>(topRightX),
        static_cast<DWORD>(topRightY),    static_cast<DWORD>(bottomLeftX),  static_cast<DWORD>(bottomLeftY),
        static_cast<DWORD>(bottomRightX), static_cast<DWORD>(bottomRightY), static_cast<DWORD>(screenWidth),
        static_cast<DWORD>(screenHigh)};
    WriteRecordAndWait(key, fields, static_cast<DWORD>(fourPoint));
    SendReloadCalibration();
}
