// Helpers of the installer building-block tests: the targets of a
// deployment, events for handshakes with a child.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "installed_system.h"
#include "test_support.h"

// Deletes, read-only or not, every file of the install directory and every
// second target of both families.
void RemoveDeployment();
void ForceDelete(const std::string& path);

// Manual-reset named events for handshakes with a child.
HANDLE CreateNamedEvent(const char* name);
