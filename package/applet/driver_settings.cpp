#include "driver_settings.h"

#include <cstring>

#include "bounded_format.h"

const char DriverNotInstalledText[] =
    "The Quortouch USB Touchscreen driver is not installed. Run Install.exe from the driver package.";

bool ReadDriverSettings(DriverSettings* settings)
{
    memset(settings, 0, sizeof(*settings));
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ParameterKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    settings->Installed = true;
    for (int i = 0; i < DeviceParameterCount; ++i) {
        DWORD value = 0;
        DWORD size = sizeof(value);
        DWORD type = 0;
        LONG status = RegQueryValueExA(key, DeviceParameterTable[i].Name, nullptr, &type,
                                       reinterpret_cast<BYTE*>(&value), &size);
        settings->Present[i] = status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(value);
        settings->Values[i] = settings->Present[i] ? value : 0;
    }
    RegCloseKey(key);
    return true;
}

bool FindSetting(const DriverSettings& settings, const char* name, DWORD* value)
{
    for (int i = 0; i < DeviceParameterCount; ++i) {
        if (lstrcmpiA(DeviceParameterTable[i].Name, name) == 0 && settings.Present[i]) {
            *value = settings.Values[i];
            return true;
        }
    }
    return false;
}

void DescribeDriverState(const DriverSettings& settings, char* text, size_t size)
{
    if (!settings.Installed) {
        FormatBounded(text, size, "%s", DriverNotInstalledText);
        return;
    }
    int present = 0;
    for (int i = 0; i < DeviceParameterCount; ++i)
        present += settings.Present[i] ? 1 : 0;
    if (present == DeviceParameterCount)
        FormatBounded(text, size, "The touchscreen driver is installed.");
    else
        FormatBounded(text, size,
                      "The touchscreen driver is installed, but %d of its %d settings are missing. "
                      "Install the driver package again.",
                      DeviceParameterCount - present, DeviceParameterCount);
}

void DescribeCalibrationState(const DriverSettings& settings, char* text, size_t size)
{
    DWORD flag = 0, width = 0, height = 0;
    if (!settings.Installed) {
        FormatBounded(text, size, "Calibration: unknown (no driver).");
        return;
    }
    if (!FindSetting(settings, CalibrationFlag, &flag) || flag != 1) {
        FormatBounded(text, size, "Calibration: not calibrated. Press \"Calibrate...\" and touch the four crosses.");
        return;
    }
    FindSetting(settings, CAL_SCREEN_WIDTH, &width);
    FindSetting(settings, CAL_SCREEN_HIGH, &height);
    FormatBounded(text, size, "Calibration: calibrated with four points for a %lu x %lu screen.",
                  static_cast<unsigned long>(width), static_cast<unsigned long>(height));
}

void DescribeSetting(const DriverSettings& settings, int index, char* text, size_t size)
{
    if (index < 0 || index >= DeviceParameterCount) {
        if (size > 0)
            text[0] = '\0';
        return;
    }
    if (settings.Present[index])
        FormatBounded(text, size, "%s\t%lu", DeviceParameterTable[index].Name,
                      static_cast<unsigned long>(settings.Values[index]));
    else
        FormatBounded(text, size, "%s\t(missing)", DeviceParameterTable[index].Name);
}
