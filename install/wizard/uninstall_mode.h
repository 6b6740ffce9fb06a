// Install.exe "/u": no window, only message boxes.
#pragma once

// Confirmation, UninstallPackage with its failure box, restart question.
void RunUninstallMode();
