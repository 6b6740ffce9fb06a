// Identifiers of Install.exe's resources, shared by install.rc and the code.
#pragma once

#define IDS_APP_TITLE 103          // main window title
#define IDS_WINDOW_CLASS 109       // main window class name

#define IDI_INSTALL 107            // 32x32 class icon, About picture
#define IDI_INSTALL_SMALL 108      // 16x16 class small icon
#define IDB_PICTURE_STRIP 130      // 116x255, left of Welcome and Progress
#define IDB_WELCOME_PICTURE 133    // 360x128, Welcome dialog

#define IDC_INSTALL 109            // accelerator table and menu
#define IDM_ABOUT 104
#define IDM_EXIT 105

#define IDD_ABOUTBOX 103
#define IDD_WELCOME 129
#define IDD_PORT_SELECTION 131     // serial-port controller choice, never shown
#define IDD_PROGRESS 132

#define IDC_ABOUT_ICON 100
#define IDC_NEXT 1002
#define IDC_FINISH 1003
#define IDC_STATUS_DEVICE 1004     // ">> Adding touchscreen Device ..."
#define IDC_STATUS_FILES 1005      // ">> Adding Driver files ..."
#define IDC_STATUS_LINKS 1006      // ">> Creating shutcut links ..."
#define IDC_PORT_LIST 1007
#define IDC_PORT_LABEL 1008

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
