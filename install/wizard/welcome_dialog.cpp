#include "centre_on_screen.h"
#include "fitted_pictures.h"
#include "wizard_state.h"
#include "resource_ids.h"
#include "wizard_dialogs.h"

INT_PTR CALLBACK WelcomeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CentreOnScreen(dialog);
        FitPicturesToControls(dialog);
        return TRUE;
    case WM_DESTROY:
        ReleaseFittedPictures(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_NEXT:
            EndDialog(dialog, IDC_NEXT);
            // Owned by the main window, not by this dialog.
            DialogBoxParamA(InstanceHandle, MAKEINTRESOURCEA(IDD_PROGRESS), MainWindow, ProgressDialogProc, 0);
            return TRUE;
        case IDCANCEL:
            PostQuitMessage(0);
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
