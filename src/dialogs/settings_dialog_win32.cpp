// The settings dialog's procedure: it carries texts and states between the
// controls and the settings dialog logic, and opens the account dialog.
#include "dialogs/settings_dialog_win32.h"

#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>

#include "character/dpi_scale.h"
#include "character/screen_dpi_win32.h"
#include "character/window_messages.h"
#include "character/window_placement.h"
#include "dialogs/account_dialog_win32.h"
#include "dialogs/dialog_setup_win32.h"
#include "dialogs/dialog_surface_win32.h"
#include "dialogs/file_chooser_win32.h"
#include "dialogs/settings_dialog_logic.h"
#include "dialogs/startup_entry_win32.h"
#include "dialogs/write_watch.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

// Posted to the dialog itself after a click on the list: by then the list
// view has toggled the check box that was clicked.
constexpr UINT MSG_SAVECHECKS = WM_APP + 40;

// Room a list heading needs beside its text.
constexpr int kHeadingPadding = 16;

struct SettingsDialog {
    SettingsDialog(HWND ownerWindow, SettingsStore& file, HWND* recordSlot)
        : owner(ownerWindow), store(file), record(recordSlot) {}

    HWND owner;
    WriteWatchStore store;
    HWND* record;
    std::unique_ptr<Win32DialogSurface> surface;
    bool filling = false;
    bool savePending = false;
    // What the Run key said when the dialog opened: only a change is written.
    bool startsWithWindows = false;
};

struct Creation {
    std::unique_ptr<SettingsDialog> self;
};

SettingsDialog* From(HWND dialog) {
    return reinterpret_cast<SettingsDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// The column is `width` pixels wide at 96 DPI, or wider where the font would
// cut its heading short.
void AddColumn(HWND list, int index, const char* text, int width) {
    width = ScaleForDpi(width, WindowDpi(list));
    std::string label(text);
    const auto heading = static_cast<int>(
        SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(label.c_str())));
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = heading + kHeadingPadding > width ? heading + kHeadingPadding : width;
    column.pszText = label.data();
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
}

void SetUpAccountList(HWND dialog) {
    HWND list = GetDlgItem(dialog, kSettingsAccountList);
    const LRESULT extended = SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 extended | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    AddColumn(list, 0, "ﾒｰﾙｻｰﾊﾞ名称", 150);
    AddColumn(list, 1, "ﾕｰｻﾞｰ名", 50);
}

void Refresh(SettingsDialog& self) {
    self.filling = true;
    RefreshAccountList(*self.surface, self.store);
    self.filling = false;
}

void PostSaveChecks(HWND dialog, SettingsDialog& self) {
    if (self.savePending)
        return;
    self.savePending = true;
    PostMessageA(dialog, MSG_SAVECHECKS, 0, 0);
}

// Add and Edit: the account dialog is modal. The program may end while it is
// open (from the tray menu), and this dialog with it.
void OpenAccountDialog(HWND dialog, std::optional<std::string> name) {
    SettingsDialog* self = From(dialog);
    if (!self)
        return;
    RunAccountDialog(dialog, self->store, name);
    if (!IsWindow(dialog))
        return;
    if (SettingsDialog* still = From(dialog))
        Refresh(*still);
}

void Edit(HWND dialog, SettingsDialog& self) {
    if (std::optional<std::string> name = SelectedAccountName(*self.surface))
        OpenAccountDialog(dialog, std::move(name));
}

void ToggleDetails(HWND dialog) {
    const DetailsStep step =
        DetailsToggle(IsDlgButtonChecked(dialog, kSettingsDetails) == BST_CHECKED);
    RECT units{0, 0, 0, step.heightChange < 0 ? -step.heightChange : step.heightChange};
    MapDialogRect(dialog, &units);
    const int change = step.heightChange < 0 ? -units.bottom : units.bottom;
    RECT rect{};
    GetWindowRect(dialog, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top + change;
    // Details that would open below the bottom of the screen (a small or
    // highly scaled one) move the dialog up, so that they can be reached.
    ScreenPoint at{rect.left, rect.top};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (change > 0 &&
        GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        at = KeepOnScreen(at, width, height, {},
                          ScreenRect{work.left, work.top, work.right, work.bottom});
    }
    SetWindowPos(dialog, HWND_NOTOPMOST, at.x, at.y, width, height, 0);
    SetDlgItemTextA(dialog, kSettingsDetails, step.text);
}

void Close(HWND dialog, SettingsDialog& self) {
    // Boxes toggled with the keyboard since the last click are saved too.
    SaveAccountChecks(*self.surface, self.store);
    SaveSettingsOptions(*self.surface, self.store);
    if (self.store.failed())
        ShowDialogMessageBox(dialog, kSaveFailedText, kSaveFailedCaption, MB_OK | MB_ICONWARNING);
    const bool startup = self.surface->Checked(kSettingsStartWithWindows);
    if (startup != self.startsWithWindows && !SetStartsWithWindows(startup)) {
        ShowDialogMessageBox(dialog, kStartupFailedText, kSaveFailedCaption,
                             MB_OK | MB_ICONWARNING);
    }
    // The program reloads once the dialog has gone: the stacking it applies
    // then is not undone by the owner's activation, and checks may start.
    HWND owner = self.owner;
    DestroyWindow(dialog);
    SendMessageA(owner, MSG_SETTINGSCHANGED, 0, 0);
}

void OnCommand(HWND dialog, SettingsDialog& self, int id, int code) {
    switch (id) {
        case kSettingsClose:
        case kSettingsCloseBox:
            Close(dialog, self);
            return;
        case kSettingsAdd:
            OpenAccountDialog(dialog, std::nullopt);
            return;
        case kSettingsEdit:
            Edit(dialog, self);
            return;
        case kSettingsDelete:
            if (DeleteSelectedAccount(*self.surface, self.store))
                Refresh(self);
            return;
        case kSettingsChooseSkin:
            if (std::optional<std::string> path = ChooseFile(dialog, SkinChooser()))
                self.surface->SetText(kSettingsSkinFile, *path);
            return;
        default:
            break;
    }
    if (code != BN_CLICKED)
        return;
    if (id == kSettingsDetails) {
        ToggleDetails(dialog);
    } else if (id == kSettingsTeleho || id == kSettingsTopmost || id == kSettingsTaskTray ||
               id == kSettingsBlinkIcon || id == kSettingsUseSkin) {
        ApplyOptionEnabling(*self.surface);
    }
}

void OnListNotify(HWND dialog, SettingsDialog& self, const NMHDR& header) {
    switch (header.code) {
        case NM_CLICK:
            OnAccountListClicked(*self.surface);
            PostSaveChecks(dialog, self);
            return;
        case NM_DBLCLK:
            Edit(dialog, self);
            return;
        case LVN_ITEMCHANGED: {
            if (self.filling)
                return;
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if (!(change.uChanged & LVIF_STATE))
                return;
            const UINT changed = change.uNewState ^ change.uOldState;
            // A box toggled with the space bar, a selection moved with the keys.
            if (changed & LVIS_STATEIMAGEMASK)
                PostSaveChecks(dialog, self);
            if (changed & LVIS_SELECTED)
                OnAccountListClicked(*self.surface);
            return;
        }
        default:
            return;
    }
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* creation = reinterpret_cast<Creation*>(lParam);
        SettingsDialog* self = creation->self.release();
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->surface = std::make_unique<Win32DialogSurface>(dialog);
        SetUpAccountList(dialog);
        ApplyEditLimits(dialog, SettingsDialogEdits());
        self->filling = true;
        InitSettingsDialog(*self->surface, self->store, ShiftKeyHeld());
        self->startsWithWindows = StartsWithWindows();
        self->surface->SetChecked(kSettingsStartWithWindows, self->startsWithWindows);
        self->filling = false;
        if (self->record)
            *self->record = dialog;
        return TRUE;
    }
    SettingsDialog* self = From(dialog);
    if (!self)
        return FALSE;
    switch (message) {
        case WM_COMMAND:
            OnCommand(dialog, *self, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header && header->idFrom == kSettingsAccountList)
                OnListNotify(dialog, *self, *header);
            return TRUE;
        }
        case MSG_SAVECHECKS:
            self->savePending = false;
            SaveAccountChecks(*self->surface, self->store);
            return TRUE;
        case WM_DESTROY:
            if (self->record && *self->record == dialog)
                *self->record = nullptr;
            return TRUE;
        case WM_NCDESTROY:
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
            delete self;
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

HWND CreateSettingsDialog(HWND owner, SettingsStore& store, HWND* record) {
    InitDialogControls();
    // The dialog takes its state over at WM_INITDIALOG and frees it when it is
    // destroyed; a dialog that never got that far leaves it here.
    Creation creation{std::make_unique<SettingsDialog>(owner, store, record)};
    return CreateDialogParamA(ProgramInstance(), MAKEINTRESOURCEA(kSettingsDialogTemplate), owner,
                              SettingsDialogProc, reinterpret_cast<LPARAM>(&creation));
}

}  // namespace pell
