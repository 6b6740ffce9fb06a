// Install.exe (without "/u") where the Windows Installer package installed
// the tools: one owner at a time, so the wizard does not install over it.
#pragma once

// The box's text.
extern const char PackageInstalledText[];

// When Windows Installer reports the package installed (asked only where a
// package entry exists): the box with that caption, then true, and the
// wizard ends without a change. False otherwise.
bool RefuseWherePackageInstalled(const char* caption);
