#pragma once
// What every dialog of the program needs from the platform before it opens.
#include <windows.h>

#include <vector>

#include "dialogs/dialog_surface.h"

namespace pell {

// Registers the common controls the dialogs use (the settings dialog's list
// view); once, at start-up.
void InitDialogControls();

// Sets each edit's limit and, for digits-only edits, adds ES_NUMBER.
void ApplyEditLimits(HWND dialog, const std::vector<EditLimit>& edits);

}  // namespace pell
