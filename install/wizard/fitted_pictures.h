// The pictures of the wizard's dialogs at the dialog's scale.
#pragma once
#include <windows.h>

// A bitmap keeps its pixel size while the dialog's controls grow with its
// font at 120 or 144 DPI. The picture controls keep their template
// rectangles (SS_REALSIZECONTROL); this redraws the picture of every static
// bitmap control of the dialog at the size of the control's client area.
// A text that needs more lines than its control holds at this scale first
// takes the height from the top of a picture right under it. Called when the
// dialog is initialised.
void FitPicturesToControls(HWND dialog);

// Frees the pictures FitPicturesToControls made; called when the dialog goes.
void ReleaseFittedPictures(HWND dialog);
