#include "dialogs/dialog_setup_win32.h"

#include <commctrl.h>

namespace pell {

void InitDialogControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);
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
