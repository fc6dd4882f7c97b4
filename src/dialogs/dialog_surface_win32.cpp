#include "dialogs/dialog_surface_win32.h"

#include <commctrl.h>

#include <vector>

namespace pell {
namespace {

DialogMessageBox g_messageBox;

// State images of the list view's check boxes: 1 unchecked, 2 checked.
constexpr UINT kUncheckedImage = 1;
constexpr UINT kCheckedImage = 2;

std::string ItemText(HWND list, int item, int subItem) {
    std::vector<char> buffer(512);
    for (;;) {
        LVITEMA lv{};
        lv.iSubItem = subItem;
        lv.pszText = buffer.data();
        lv.cchTextMax = static_cast<int>(buffer.size());
        const auto got = static_cast<std::size_t>(SendMessageA(
            list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv)));
        if (got + 1 < buffer.size() || buffer.size() >= (1u << 20))
            return std::string(buffer.data(), got < buffer.size() ? got : buffer.size() - 1);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::string WindowText(HWND window) {
    if (!window)
        return std::string();
    const int length = GetWindowTextLengthA(window);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    const int got = GetWindowTextA(window, buffer.data(), length + 1);
    return std::string(buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
}

std::string Win32DialogSurface::Text(int id) {
    return WindowText(GetDlgItem(dialog_, id));
}

void Win32DialogSurface::SetText(int id, std::string_view text) {
    SetDlgItemTextA(dialog_, id, std::string(text).c_str());
}

bool Win32DialogSurface::Checked(int id) {
    return IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
}

void Win32DialogSurface::SetChecked(int id, bool on) {
    CheckDlgButton(dialog_, id, on ? BST_CHECKED : BST_UNCHECKED);
}

void Win32DialogSurface::Enable(int id, bool on) {
    if (HWND control = GetDlgItem(dialog_, id))
        EnableWindow(control, on);
}

void Win32DialogSurface::Show(int id, bool on) {
    if (HWND control = GetDlgItem(dialog_, id))
        ShowWindow(control, on ? SW_SHOWNA : SW_HIDE);
}

void Win32DialogSurface::SetHint(int id, std::string_view text) {
    // The cue banner takes UTF-16 only.
    std::wstring wide(text.size() + 1, L'\0');
    const int length = MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    SendDlgItemMessageA(dialog_, id, EM_SETCUEBANNER, FALSE,
                        reinterpret_cast<LPARAM>(wide.c_str()));
}

void Win32DialogSurface::Focus(int id) {
    if (HWND control = GetDlgItem(dialog_, id))
        SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void Win32DialogSurface::SetChoices(int id, const std::vector<std::string>& choices) {
    SendDlgItemMessageA(dialog_, id, CB_RESETCONTENT, 0, 0);
    for (const std::string& choice : choices)
        SendDlgItemMessageA(dialog_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.c_str()));
}

int Win32DialogSurface::Selection(int id) {
    const LRESULT selected = SendDlgItemMessageA(dialog_, id, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? -1 : static_cast<int>(selected);
}

void Win32DialogSurface::Select(int id, int index) {
    SendDlgItemMessageA(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32DialogSurface::SetRows(int id, const std::vector<ListRow>& rows) {
    HWND list = GetDlgItem(dialog_, id);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ListRow& row = rows[i];
        std::string name = row.name;
        std::string user = row.user;
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = name.data();
        const auto at = static_cast<int>(
            SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0)
            continue;
        LVITEMA sub{};
        sub.iSubItem = 1;
        sub.pszText = user.data();
        SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(at),
                     reinterpret_cast<LPARAM>(&sub));
        LVITEMA state{};
        state.stateMask = LVIS_STATEIMAGEMASK;
        state.state = INDEXTOSTATEIMAGEMASK(row.checked ? kCheckedImage : kUncheckedImage);
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(at),
                     reinterpret_cast<LPARAM>(&state));
    }
}

std::vector<ListRow> Win32DialogSurface::Rows(int id) {
    HWND list = GetDlgItem(dialog_, id);
    std::vector<ListRow> rows;
    const auto count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        ListRow row;
        row.name = ItemText(list, i, 0);
        row.user = ItemText(list, i, 1);
        const auto state = static_cast<UINT>(
            SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_STATEIMAGEMASK));
        row.checked = (state >> 12) != kUncheckedImage;
        rows.push_back(std::move(row));
    }
    return rows;
}

int Win32DialogSurface::SelectedRow(int id) {
    HWND list = GetDlgItem(dialog_, id);
    if (SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0)
        return -1;
    return static_cast<int>(
        SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

UINT MessageBoxFlags(MessageKind kind) {
    switch (kind) {
        case MessageKind::kWarning:
            return MB_OK | MB_ICONWARNING;
        case MessageKind::kConfirm:
            return MB_OKCANCEL | MB_ICONQUESTION;
        case MessageKind::kQuestion:
            return MB_YESNO | MB_ICONQUESTION;
        case MessageKind::kInformation:
            return MB_OK | MB_ICONINFORMATION;
    }
    return MB_OK;
}

bool Win32DialogSurface::ShowMessage(std::string_view text, std::string_view caption,
                                     MessageKind kind) {
    const int result = ShowDialogMessageBox(dialog_, std::string(text), std::string(caption),
                                            MessageBoxFlags(kind));
    return result == IDOK || result == IDYES;
}

void SetDialogMessageBoxForTesting(DialogMessageBox box) {
    g_messageBox = std::move(box);
}

int ShowDialogMessageBox(HWND owner, const std::string& text, const std::string& caption,
                         UINT flags) {
    if (g_messageBox)
        return g_messageBox(owner, text, caption, flags);
    return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

bool ShiftKeyHeld() {
    BYTE keys[256] = {};
    if (!GetKeyboardState(keys))
        return false;
    return (keys[VK_SHIFT] & 0x80) != 0;
}

}  // namespace pell
