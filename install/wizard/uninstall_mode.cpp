// Install.exe "/u": the confirmation, the removal with its failure box, and
// the restart question.
#include "uninstall_mode.h"

#include "restart.h"
#include "uninstall.h"
#include "wizard_state.h"

namespace {

// The box for a removal that the setup tool or the Windows Installer
// package reported as failed; a tool that could not be started, or paths
// that don't fit, end the mode without one.
void ReportRemovalFailure(UninstallResult result)
{
    if (result == UninstallResult::SetupToolFailed || result == UninstallResult::PackageRemovalFailed)
        MessageBoxA(nullptr, "Remove failure,please insert the usb interface", SetupCaption, MB_ICONERROR | MB_OK);
}

}  // namespace

void RunUninstallMode()
{
    if (MessageBoxA(nullptr, "Are you sure to uninstall Quortouch USB Touchscreen?", UninstallCaption,
                    MB_ICONWARNING | MB_YESNO) != IDYES)
        return;
    UninstallResult result = UninstallPackage();
    if (result != UninstallResult::Removed) {
        ReportRemovalFailure(result);
        return;
    }
    if (MessageBoxA(nullptr, "To make the uninstallation valid,you must restart your computer.\nRestart now?",
                    UninstallCaption, MB_ICONINFORMATION | MB_YESNO) == IDYES)
        RestartSystem(nullptr);
}
