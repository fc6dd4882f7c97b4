#include "dialogs/dialog_setup_win32.h"

#include <commctrl.h>

#include "mail/loaded_library_win32.h"

namespace pell {

void InitDialogControls() {
    // The common controls cost about 3 MB of working set once loaded (under
    // Wine), and only the settings dialog uses them: they load with its first
    // opening rather than with every run, and stay.
    static const bool registered = [] {
        struct Comctl32;
        const auto init = EntryPointForRun<Comctl32, decltype(&InitCommonControlsEx)>(
            "COMCTL32.DLL", "InitCommonControlsEx");
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_LISTVIEW_CLASSES;
        return init && init(&controls);
    }();
    (void)registered;
}

void ApplyEditLimits(HWND dialog, const std::vector<EditLimit>& edits) {
    for (const EditLimit& edit : edits) {
        HWND control = GetDlgItem(dialog, edit.id);
        if (!control)
            continue;
        SendMessageA(control, EM_LIMITTEXT, edit.limit, 0);
        if (edit.digitsOnly) {
            const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
            SetWindowLongPtrA(control, GWL_STYLE, style | ES_NUMBER);
        }
    }
}

}  // namespace pell
