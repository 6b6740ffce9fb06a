// Running the Windows Installer package under Wine's msiexec from a test
// program, and reading what it registered.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

extern const char MsiProductName[];  // "Quortouch USB Touchscreen Driver"

// <build>\package\QuortouchUsb.msi; the same package as the next version,
// built for the upgrade test; the previous release's package as shipped.
std::string MsiPackagePath();
std::string NextVersionMsiPath();
std::string PreviousReleaseMsiPath();

// C:\QuortouchPackage with the real files of the package folder (the
// files that the MSI carries), for the wizard to install from.
bool MakeFullPackage();

struct MsiexecRun {
    int ExitCode = -999;
    // Visible top-level windows that came up while msiexec ran, as
    // "class 'title'".
    std::vector<std::string> WindowsSeen;
    std::string Log;  // the verbose log
};
// Runs "msiexec <arguments> /l*v <artifacts>\<logName>" and waits for it,
// watching the screen for new windows meanwhile.
MsiexecRun RunMsiexec(const std::string& arguments, const std::string& logName, DWORD timeoutMs = 240000);
// 0, or 3010: done, the restart that the driver needs is still to come.
bool IsSuccessExit(int exitCode);
// The quoted package path for a command line.
std::string Quoted(const std::string& path);

// The entries in Programs and Features that carry the product's name (the
// package's under its product code, the wizard's "VessaTouch").
struct ProductEntry {
    std::string KeyName;
    std::string DisplayVersion;
};
std::vector<ProductEntry> ProductEntries();
