// The installer from process start to the end of its message loop.
#pragma once
#include <windows.h>

int RunInstaller(HINSTANCE instance, const char* commandLine, int showCommand);
