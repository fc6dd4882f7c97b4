#include "dialogs/file_chooser_win32.h"

#include <commdlg.h>

#include "mail/loaded_library_win32.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

FileChooserHook g_hook;

}  // namespace

std::optional<std::string> ChooseFile(HWND owner, const FileChooser& chooser) {
    if (g_hook)
        return g_hook(owner, chooser);
    const std::string filter = FilterText(chooser);
    char path[MAX_PATH] = {};
    OPENFILENAMEA open{};
    open.lStructSize = sizeof(open);
    open.hwndOwner = owner;
    open.hInstance = ProgramInstance();
    open.lpstrFilter = filter.c_str();
    open.lpstrFile = path;
    open.nMaxFile = sizeof(path);
    open.lpstrTitle = chooser.title.c_str();
    // The chooser's library (and the printing service it brings along) is
    // loaded when a chooser first opens, and kept: the user is likely to
    // choose again.
    struct Comdlg32;
    const auto choose =
        EntryPointForRun<Comdlg32, decltype(&GetOpenFileNameA)>("COMDLG32.DLL", "GetOpenFileNameA");
    if (!choose || !choose(&open) || path[0] == '\0')
        return std::nullopt;
    return std::string(path);
}

void SetFileChooserForTesting(FileChooserHook hook) {
    g_hook = std::move(hook);
}

}  // namespace pell
