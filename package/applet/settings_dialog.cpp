#include "settings_dialog.h"

#include "applet_resources.h"
#include "bounded_format.h"
#include "calibration_launcher.h"
#include "driver_settings.h"

const char AppletTitle[] = "Quortouch USB Touchscreen";

static void FillSettingsDialog(HWND dialog)
{
    DriverSettings settings;
    ReadDriverSettings(&settings);

    char text[512] = {};
    DescribeDriverState(settings, text, sizeof(text));
    SetDlgItemTextA(dialog, IDC_DRIVER_STATE, text);
    DescribeCalibrationState(settings, text, sizeof(text));
    SetDlgItemTextA(dialog, IDC_CALIBRATION_STATE, text);

    HWND list = GetDlgItem(dialog, IDC_SETTINGS_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    if (settings.Installed) {
        for (int i = 0; i < DeviceParameterCount; ++i) {
            DescribeSetting(settings, i, text, sizeof(text));
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
    }
    EnableWindow(list, settings.Installed);
    EnableWindow(GetDlgItem(dialog, IDC_CALIBRATE), settings.Installed);
}

static void OnCalibrate(HWND dialog)
{
    DWORD error = StartCalibrationTool(dialog);
    if (error == 0)
        return;
    char path[MAX_PATH] = {};
    FindCalibrationTool(path, sizeof(path));
    char text[512] = {};
    FormatInto(text, CalibrationStartFailedFormat, static_cast<unsigned long>(error), path);
    MessageBoxA(dialog, text, AppletTitle, MB_ICONERROR | MB_OK);
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        int tabStop = 90;
        SendDlgItemMessageA(dialog, IDC_SETTINGS_LIST, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
        FillSettingsDialog(dialog);
        return TRUE;
    }
    case WM_ACTIVATE:
        // Back from the calibration tool: show what it stored.
        if (LOWORD(wParam) != WA_INACTIVE)
            FillSettingsDialog(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CALIBRATE:
            OnCalibrate(dialog);
            return TRUE;
        case IDC_REFRESH:
            FillSettingsDialog(dialog);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR ShowSettingsDialog(HINSTANCE instance, HWND owner)
{
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SETTINGS), owner, SettingsDialogProc, 0);
}
