#include "package_refusal.h"

#include <windows.h>

#include "package_owner.h"

const char PackageInstalledText[] =
    "Quortouch USB Touchscreen is already installed on this computer by its Windows Installer package "
    "(QuortouchUsb.msi). Setup will not install over it. To install it with this program, first remove it with "
    "the \"Uninstall QuorTouch\" link in the Start menu (Programs, Quortouch USB Touchscreen).";

bool RefuseWherePackageInstalled(const char* caption)
{
    char productCode[ProductCodeSize];
    if (!FindInstalledPackage(productCode))
        return false;
    MessageBoxA(nullptr, PackageInstalledText, caption, MB_ICONERROR | MB_OK);
    return true;
}
