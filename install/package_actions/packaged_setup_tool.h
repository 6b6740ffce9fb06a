// The driver-setup tool that the package carries itself, a resource of the
// custom actions' DLL: the removal's way out when QuorUsb.exe is gone from
// the install folder (deleted by a user or a virus scanner) while the
// driver's service is still there.
#pragma once

// The resource's id (RCDATA), shared by packaged_setup_tool.rc.in and the code.
#define PACKAGED_SETUP_TOOL_RESOURCE 201

#ifndef RC_INVOKED
#include <windows.h>

#include "uninstall.h"

// Writes the copy as QuorUsb.exe into a new folder under parent, runs its
// removal there ("uninstall <OsClass> delete", as from the install folder),
// then deletes the copy and its folder again. SetupToolNotStarted when the
// copy could not be written or started.
UninstallResult RemoveDriverWithPackagedTool(const char* parent, DWORD* exitCode);
#endif
