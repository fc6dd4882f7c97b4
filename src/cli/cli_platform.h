#pragma once
// What the command-line checker needs from the platform.
#include <memory>
#include <string>

#include "settings/settings_store.h"

namespace pell {

// The settings file the program itself would use from the checker's folder.
std::string DefaultSettingsPath();
bool SettingsFileExists(const std::string& path);
// The platform's settings store over a file.
std::unique_ptr<SettingsStore> OpenSettingsStore(const std::string& path);
// Standard output written byte for byte (no newline translation).
void PrepareConsoleOutput();

}  // namespace pell
