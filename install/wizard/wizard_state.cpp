// The wizard's process-wide state and the captions of its message boxes.
#include "wizard_state.h"

HINSTANCE InstanceHandle = nullptr;
char WindowTitle[InstallerTextSize];
char WindowClassName[InstallerTextSize];
HWND MainWindow = nullptr;
int ScreenWidth = 0;
int ScreenHeight = 0;

const char SetupCaption[] = "Quortouch USB Touchscreen Setup";
const char UninstallCaption[] = "Quortouch USB Touchscreen Uninstall";
