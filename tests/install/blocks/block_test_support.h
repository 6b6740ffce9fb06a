// Helpers of the installer building-block tests: a package directory with
// the ten package files, the targets of a deployment, children that run
// alongside the test.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "installed_system.h"
#include "test_support.h"

// Writes the ten package files into dir (created when missing); each holds
// "<name> <tag>".
void WritePackage(const std::string& dir, const std::string& tag);
std::string PackageText(const std::string& name, const std::string& tag);

// Deletes, read-only or not, every file of the install directory and every
// second target of both families.
void RemoveDeployment();
void ForceDelete(const std::string& path);

// A child action started without waiting; Finish() waits for its end.
class RunningChild {
public:
    RunningChild(const char* name, const std::string& argument, const std::string& program = "");
    ~RunningChild();
    bool Started() const { return child_.Handle() != nullptr; }
    // Waits for the child to end (timeoutMs) and returns its exit code, -999 on
    // timeout.
    int Finish(DWORD timeoutMs = 60000);

private:
    StartedProcess child_;
};

// Manual-reset named events for handshakes with a child.
HANDLE CreateNamedEvent(const char* name);
