// Centring of the wizard's dialogs on the screen.
#pragma once
#include <windows.h>

// Centres a top-level window on the screen whose size the main window stored
// (ScreenWidth x ScreenHeight).
void CentreOnScreen(HWND window);
