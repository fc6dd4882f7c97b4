#pragma once
// Maintenance of the account directory (section Poplist: Count, List1..ListN)
// by the accounts' display names (their Popname keys).
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings_store.h"

namespace pell {

// The section of the account whose Popname equals displayName byte for byte.
std::optional<std::string> FindAccountSection(SettingsStore& store, std::string_view displayName);

// Adds a directory entry for a new account and returns its section name
// ("POP" + number): one above the highest number in use, or the number of an
// existing section that already carries this display name.
std::string CreateAccountSection(SettingsStore& store, std::string_view displayName);

// Deletes the account's section and closes the gap with the last entry.
void RemoveAccount(SettingsStore& store, std::string_view displayName);

}  // namespace pell
