// The Control Panel's entry point into QuortouchUsb.cpl: one applet,
// "Quortouch USB Touchscreen", whose double-click opens the settings dialog.
#include <windows.h>

#include <cpl.h>

#include "applet_resources.h"
#include "settings_dialog.h"

static HINSTANCE AppletInstance;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        AppletInstance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) LONG APIENTRY CPlApplet(HWND owner, UINT message, LPARAM lParam1, LPARAM lParam2)
{
    switch (message) {
    case CPL_INIT:
        return TRUE;
    case CPL_GETCOUNT:
        return 1;
    case CPL_INQUIRE: {
        if (lParam1 != 0)
            return 1;
        CPLINFO* info = reinterpret_cast<CPLINFO*>(lParam2);
        info->idIcon = IDI_APPLET;
        info->idName = IDS_APPLET_NAME;
        info->idInfo = IDS_APPLET_INFO;
        info->lData = 0;
        return 0;
    }
    case CPL_NEWINQUIRE: {
        if (lParam1 != 0)
            return 1;
        NEWCPLINFOA* info = reinterpret_cast<NEWCPLINFOA*>(lParam2);
        ZeroMemory(info, sizeof(*info));
        info->dwSize = sizeof(*info);
        info->hIcon = LoadIconA(AppletInstance, MAKEINTRESOURCEA(IDI_APPLET));
        LoadStringA(AppletInstance, IDS_APPLET_NAME, info->szName, sizeof(info->szName));
        LoadStringA(AppletInstance, IDS_APPLET_INFO, info->szInfo, sizeof(info->szInfo));
        return 0;
    }
    case CPL_DBLCLK:
    case CPL_STARTWPARMSA:
        if (lParam1 != 0)
            return 1;
        ShowSettingsDialog(AppletInstance, owner);
        return message == CPL_STARTWPARMSA ? TRUE : 0;
    case CPL_STOP:
    case CPL_EXIT:
        return 0;
    }
    return 0;
}
