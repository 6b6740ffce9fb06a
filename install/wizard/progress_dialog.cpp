#include "autostart.h"
#include "bounded_format.h"
#include "centre_on_screen.h"
#include "deployment.h"
#include "driver_registration.h"
#include "fitted_pictures.h"
#include "install_paths.h"
#include "os_class.h"
#include "resource_ids.h"
#include "restart.h"
#include "run_journal.h"
#include "run_log.h"
#include "shortcuts.h"
#include "wizard_dialogs.h"
#include "wizard_state.h"

int StepCounter = 0;

namespace {

// Set before a failure box shows: from then on the run is undone however the
// dialog ends, never committed.
bool RunFailed = false;
// Why the run's journal could not be made (step 0 reports it).
DWORD JournalError = ERROR_SUCCESS;

// Shows "<format>" with the last-error code and OsClass, owned by the dialog,
// then leaves only Finish to press.
void ReportStepFailure(HWND dialog, const char* format, DWORD lastError, const char* outcome)
{
    char text[128];
    FormatInto(text, format, static_cast<int>(lastError), OsClass);
    SetRunOutcome("%s: %s", outcome, text);
    MessageBoxA(dialog, text, SetupCaption, MB_ICONERROR | MB_OK);
    EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_FINISH), TRUE);
}

// A failed step 0 or 1: the box, then everything the run changed goes back.
void UndoFailedRun(HWND dialog, const char* format, DWORD lastError)
{
    RunFailed = true;
    ReportStepFailure(dialog, format, lastError, "failed, what the run changed is put back");
    UndoRunJournal();
}

// Step 0, once the run has its journal.
int DeployWithJournal()
{
    if (!RunJournalOpen()) {
        SetLastError(JournalError);
        return -1;
    }
    return DeployPackageFiles();
}

void StepSucceeded(HWND dialog, int statusLine)
{
    EnableWindow(GetDlgItem(dialog, statusLine), TRUE);
    SetTimer(dialog, StepTimerId, StepDelayMs, nullptr);
}

}  // namespace

void RunNextStep(HWND dialog)
{
    KillTimer(dialog, StepTimerId);
    // What the journal holds so far is on the disk before a step begins.
    FlushRunJournal();
    switch (StepCounter) {
    case 0:
        if (DeployWithJournal() < 0)
            UndoFailedRun(dialog, "Setup file fail(%d:%d).", GetLastError());
        else
            StepSucceeded(dialog, IDC_STATUS_FILES);
        break;
    case 1:
        if (RegisterDriver() < 0) {
            UndoFailedRun(dialog, "Setup driver fail(%d:%d).", GetLastError());
        } else {
            TakeOutSupersededEntries();
            StepSucceeded(dialog, IDC_STATUS_DEVICE);
        }
        break;
    case 2:
        if (CreateStartMenuShortcuts() < 0) {
            ReportStepFailure(dialog, "Create shutcut fail(%d:%d).", GetLastError(),
                              "installed without the Start-menu shortcuts");
        } else {
            SetRunOutcome("installed");
            StepSucceeded(dialog, IDC_STATUS_LINKS);
        }
        break;
    case 3:
        EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_FINISH), TRUE);
        SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        break;
    default:
        break;
    }
    ++StepCounter;
}

void StartCalibrationTool()
{
    char application[MAX_PATH];
    if (!FormatInstallPath(application, CALIBRATION_TOOL_FILE_NAME))
        return;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(application, nullptr, nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr,
                       InstallDirectory, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

void FinishSetup(HWND dialog)
{
    EndDialog(dialog, IDC_FINISH);
    bool restart = false;
    if (StepCounter > 3 && RecordLogonValue(AutostartValueName))
        SetAutostartValue(AutostartValueName, AutostartFileName);
    // The run is complete (a failed one was undone already).
    CommitRunJournal();
    EndRunLog();
    if (StepCounter > 3) {
        restart = MessageBoxA(dialog,
                              "To make the installation vaild,you must pull out and pull the Quortouch controller,"
                              "or restart your computer,\nrestart now?",
                              SetupCaption, MB_ICONINFORMATION | MB_YESNO) == IDYES;
        if (restart)
            RestartSystem(dialog);
    }
    if (!restart && !IsConsumerFamily(OsClass))
        StartCalibrationTool();
    PostQuitMessage(0);
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CentreOnScreen(dialog);
        FitPicturesToControls(dialog);
        ComputeInstallPaths();
        // A run killed earlier is undone first; then this run's journal.
        RecoverKilledRuns();
        JournalError = StartRunJournal(JournalOfInstall) ? ERROR_SUCCESS : GetLastError();
        SetTimer(dialog, StepTimerId, StepDelayMs, nullptr);
        return TRUE;
    case WM_TIMER:
        RunNextStep(dialog);
        return FALSE;
    case WM_DESTROY:
        ReleaseFittedPictures(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_FINISH:
            FinishSetup(dialog);
            return TRUE;
        case IDCANCEL:
            // Escape, Alt+F4 and the close box arrive here too. Once Cancel
            // is disabled (the run completed or failed) only Finish ends it:
            // a declined cancel would restart the steps.
            if (!IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)))
                return TRUE;
            KillTimer(dialog, StepTimerId);
            if (MessageBoxA(dialog, "Are you sure to break setup process?", SetupCaption,
                            MB_ICONINFORMATION | MB_YESNO) == IDYES) {
                // Nothing already done is undone, unless the run failed (a
                // close while its failure box is up): that is undone.
                if (RunFailed) {
                    UndoRunJournal();
                } else {
                    SetRunOutcome("cancelled after %d of the 3 steps; what was done stays", StepCounter);
                    CommitRunJournal();
                }
                EndRunLog();
                PostQuitMessage(0);
                EndDialog(dialog, IDCANCEL);
            } else if (!RunFailed) {
                SetTimer(dialog, StepTimerId, ResumeDelayMs, nullptr);
            }
            return FALSE;
        }
        return FALSE;
    }
    return FALSE;
}
