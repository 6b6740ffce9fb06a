// Captions of the installer's message boxes.
#include "installer_app.h"

const char SetupCaption[] = "Quortouch USB Touchscreen Setup";
const char UninstallCaption[] = "Quortouch USB Touchscreen Uninstall";
