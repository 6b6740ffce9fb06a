// "/u" where the Windows Installer package installed the tools: the
// package's own removal runs instead of the wizard's, so that neither leaves
// the other's entry behind.
#pragma once
#include <windows.h>

// A product code with its braces and terminating zero.
constexpr size_t ProductCodeSize = 39;

// The product code of an installed version of the package other than
// except (null: any), found by the package's upgrade code through msi.dll,
// loaded at run time. False when there is none or msi.dll can't be used.
bool FindInstalledPackage(char (&productCode)[ProductCodeSize], const char* except = nullptr);

// When the package is installed: its removal ("msiexec /x <product code> /qn
// REBOOT=ReallySuppress" from the system directory, hidden, waited for), then
// a wizard's uninstall entry left beside it goes too. *removed tells whether
// the package was removed (a restart pending or not). False when no package
// is installed: the wizard's own removal is the one to run.
bool RemoveThroughInstalledPackage(bool* removed);
