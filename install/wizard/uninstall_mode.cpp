// Install.exe "/u": the confirmation, the removal with its failure box, and
// the restart question.
#include "uninstall_mode.h"

#include "restart.h"
#include "run_journal.h"
#include "run_log.h"
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

const char* RemovalFailureText(UninstallResult result)
{
    switch (result) {
    case UninstallResult::PathsTooLong: return "a base path is too long";
    case UninstallResult::SetupToolNotStarted: return "the driver setup tool could not be started";
    case UninstallResult::SetupToolFailed: return "the driver setup tool failed";
    case UninstallResult::PackageRemovalFailed: return "the Windows Installer package's removal failed";
    default: return "removed";
    }
}

}  // namespace

void RunUninstallMode()
{
    SetRunOutcome("removal declined");
    if (MessageBoxA(nullptr, "Are you sure to uninstall Quortouch USB Touchscreen?", UninstallCaption,
                    MB_ICONWARNING | MB_YESNO) != IDYES)
        return;
    // An install run killed earlier is undone first, a removal finished.
    RecoverKilledRuns();
    StartRunJournal(JournalOfRemoval);
    UninstallResult result = UninstallPackage();
    // A removal is never undone: what it did stays, failed or not.
    CommitRunJournal();
    if (result != UninstallResult::Removed) {
        SetRunOutcome("removal failed (%s)", RemovalFailureText(result));
        EndRunLog();
        ReportRemovalFailure(result);
        return;
    }
    SetRunOutcome("removed");
    EndRunLog();
    if (MessageBoxA(nullptr, "To make the uninstallation valid,you must restart your computer.\nRestart now?",
                    UninstallCaption, MB_ICONINFORMATION | MB_YESNO) == IDYES)
        RestartSystem(nullptr);
}
