#include "settings/check_flag_win32.h"

#include "settings/settings_conventions.h"

namespace pell {

void WriteCheckFlag(HWND dialog, int controlId, SettingsStore& store, std::string_view section,
                    std::string_view key) {
    const LRESULT state = SendDlgItemMessageA(dialog, controlId, BM_GETCHECK, 0, 0);
    WriteFlag(store, section, key, state == BST_CHECKED);
}

}  // namespace pell
