// The pictures of the wizard's dialogs at the dialog's scale.
#pragma once
#include <windows.h>

// A bitmap keeps its pixel size while the dialog's controls grow with its
// font at 120 or 144 DPI. The picture controls don't size themselves to
// their pictures (SS_REALSIZECONTROL); this, called when the dialog is
// initialised, does. At 96 DPI every static bitmap control of the
// dialog gets a client area of its picture's own size, and a text whose top
// the picture then covers starts under it. At any other scale a text that
// needs more lines than its control holds first takes the height from the
// top of a picture right under it, and then every picture is redrawn at the
// size of its control's client area.
void FitPicturesToControls(HWND dialog);

// Frees the dialog's pictures (the templates' own at 96 DPI, the redrawn ones
// elsewhere); called when the dialog goes.
void ReleaseFittedPictures(HWND dialog);
