#pragma once
// Writing a dialog's check box to the settings file as a flag.
#include <windows.h>

#include "settings/settings_store.h"

namespace pell {

// Writes "Yes" when the box is checked, else "No" (an indeterminate box is No).
void WriteCheckFlag(HWND dialog, int controlId, SettingsStore& store, std::string_view section,
                    std::string_view key);

}  // namespace pell
