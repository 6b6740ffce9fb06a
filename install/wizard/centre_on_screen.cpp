#include "centre_on_screen.h"

#include "wizard_state.h"

void CentreOnScreen(HWND window)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    RECT& r = placement.rcNormalPosition;
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    r.left = (ScreenWidth - width) / 2;
    r.top = (ScreenHeight - height) / 2;
    r.right = r.left + width;
    r.bottom = r.top + height;
    SetWindowPlacement(window, &placement);
}
