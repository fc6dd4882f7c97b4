#pragma once
// The modal account dialog (template 116), opened by the settings dialog.
#include <windows.h>

#include <optional>
#include <string>

#include "settings/settings_store.h"

namespace pell {

inline constexpr int kAccountDialogTemplate = 116;

// `name` is the display name of the account to edit, or none for a new
// account; after an existing account was saved it holds its new name.
void RunAccountDialog(HWND owner, SettingsStore& store, std::optional<std::string>& name);

}  // namespace pell
