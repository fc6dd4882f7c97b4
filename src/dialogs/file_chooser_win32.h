#pragma once
// The platform's file chooser for the dialogs' "..." buttons.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "dialogs/file_choosers.h"

namespace pell {

// The chosen path; nothing when the chooser was cancelled, failed or gave an
// empty path.
std::optional<std::string> ChooseFile(HWND owner, const FileChooser& chooser);

// Tests answer in place of the chooser.
using FileChooserHook = std::function<std::optional<std::string>(HWND, const FileChooser&)>;
void SetFileChooserForTesting(FileChooserHook hook);

}  // namespace pell
