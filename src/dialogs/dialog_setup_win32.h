#pragma once
// What every dialog of the program needs from the platform before it opens.
#include <windows.h>

#include <vector>

#include "dialogs/dialog_surface.h"

namespace pell {

// Registers the common controls the dialogs use (the settings dialog's list
// view), loading their library; once per run, before the first settings
// dialog is created. Later calls do nothing.
void InitDialogControls();

// Sets each edit's limit and, for digits-only edits, adds ES_NUMBER.
void ApplyEditLimits(HWND dialog, const std::vector<EditLimit>& edits);

}  // namespace pell
