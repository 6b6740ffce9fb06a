// Resource ids of the Control Panel applet QuortouchUsb.cpl.
#pragma once

#define IDI_APPLET 100
#define IDS_APPLET_NAME 101
#define IDS_APPLET_INFO 102
#define IDD_SETTINGS 110

#define IDC_DRIVER_STATE 1001
#define IDC_SETTINGS_LIST 1002
#define IDC_CALIBRATION_STATE 1003
#define IDC_CALIBRATE 1004
#define IDC_REFRESH 1005
