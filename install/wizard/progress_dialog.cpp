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
#include "shortcuts.h"
#include "wizard_dialogs.h"
#include "wizard_state.h"

int StepCounter = 0;

namespace {

// Shows "<format>" with the last-error code and OsClass, owned by the dialog,
// then leaves only Finish to press.
void ReportStepFailure(HWND dialog, const char* format, DWORD lastError)
{
    char text[128];
    FormatInto(text, format, static_cast<int>(lastError), OsClass);
    MessageBoxA(dialog, text, SetupCaption, MB_ICONERROR | MB_OK);
    EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_FINISH), TRUE);
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
    switch (StepCounter) {
    case 0:
        if (DeployPackageFiles() < 0) {
            ReportStepFailure(dialog, "Setup file fail(%d:%d).", GetLastError());
            RemoveFilesOfThisRun();
        } else {
            StepSucceeded(dialog, IDC_STATUS_FILES);
        }
        break;
    case 1:
        if (RegisterDriver() < 0) {
            ReportStepFailure(dialog, "Setup driver fail(%d:%d).", GetLastError());
            RemoveUninstallEntryOfThisRun();
            RemoveFilesOfThisRun();
        } else {
            CommitFilesOfThisRun();
            StepSucceeded(dialog, IDC_STATUS_DEVICE);
        }
        break;
    case 2:
        if (CreateStartMenuShortcuts() < 0)
            ReportStepFailure(dialog, "Create shutcut fail(%d:%d).", GetLastError());
        else
            StepSucceeded(dialog, IDC_STATUS_LINKS);
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
    if (!FormatInstallPath(application, "QuortouchUsb.exe"))
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
    if (StepCounter > 3) {
        SetAutostartValue(AutostartValueName, AutostartFileName);
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
                // Nothing already done is undone.
                CommitFilesOfThisRun();
                PostQuitMessage(0);
                EndDialog(dialog, IDCANCEL);
            } else {
                SetTimer(dialog, StepTimerId, ResumeDelayMs, nullptr);
            }
            return FALSE;
        }
        return FALSE;
    }
    return FALSE;
}
