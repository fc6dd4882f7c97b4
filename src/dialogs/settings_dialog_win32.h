#pragma once
// The modeless settings dialog (template 115). It writes through the given
// store, keeps its handle in *record while it is open and, when it closes,
// sends MSG_SETTINGSCHANGED to its owner so that the program picks the changes
// up at once.
#include <windows.h>

#include "settings/settings_store.h"

namespace pell {

inline constexpr int kSettingsDialogTemplate = 115;

// Null when the dialog cannot be created. `record` may be null.
HWND CreateSettingsDialog(HWND owner, SettingsStore& store, HWND* record);

}  // namespace pell
