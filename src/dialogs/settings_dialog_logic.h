#pragma once
// The settings dialog's rules: which key feeds which control, which box enables
// which controls, what the buttons do to the account directory and what is
// written when the dialog closes. The dialog procedure only carries texts and
// states between these functions and the controls.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/dialog_surface.h"
#include "settings/settings_store.h"

namespace pell {

enum SettingsDialogControl : int {
    kSettingsClose = 1,
    kSettingsCloseBox = 2,
    kSettingsDelete = 3,
    kSettingsAdd = 4,
    kSettingsEdit = 5,
    kSettingsAccountList = 1023,
    kSettingsDetails = 1022,
    kSettingsTopmost = 44,
    kSettingsGetnew = 42,
    kSettingsMoreTopmost = 49,
    kSettingsTaskTray = 1009,
    kSettingsBlinkIcon = 1010,
    kSettingsTaskTrayTimer = 1013,
    kSettingsTrayDblClick = 1011,
    kSettingsTeleho = 43,
    kSettingsTelehoStart = 1007,
    kSettingsTelehoEnd = 1008,
    kSettingsDefaultMessageBox = 1012,
    kSettingsUseSkin = 1019,
    kSettingsSkinFile = 1018,
    kSettingsChooseSkin = 1020,
    kSettingsAnimationTimer = 48,
    kSettingsThink = 46,
    kSettingsFaceCtrl = 45,
    kSettingsFaceDelay = 47,
    kSettingsMultiExe = 1016,
    // Shows and changes the program's Run value, not a key of the settings file.
    kSettingsStartWithWindows = 1040,
};

const std::vector<EditLimit>& SettingsDialogEdits();

// Above this many accounts Add is disabled: check timer ids (10 + index) stay
// below the watchdog ids (10000 + index).
inline constexpr int kMaxAccountsToAdd = 9989;

// The dialog grows and shrinks by this many dialog units for its details
// part: units follow the dialog's font, which follows the screen's DPI.
inline constexpr int kDetailsHeight = 126;

// One row per account of the directory: display name, user name, Check.
std::vector<ListRow> ReadAccountRows(SettingsStore& store);

// First initialisation: the account list, the option boxes, the edits, the
// enabling; without Shift held the three expert options stay disabled.
void InitSettingsDialog(DialogSurface& dialog, SettingsStore& store, bool shiftHeld);

// After Add, Edit and Delete: the account list and the buttons that depend on
// it. Options the user changed but has not saved yet stay as they are.
void RefreshAccountList(DialogSurface& dialog, SettingsStore& store);

// Enables every option control by the boxes it depends on.
void ApplyOptionEnabling(DialogSurface& dialog);

// A click on the account list: Edit and Delete follow the selection.
void OnAccountListClicked(DialogSurface& dialog);

// Writes each account's check box into its Check key.
void SaveAccountChecks(DialogSurface& dialog, SettingsStore& store);

// Close: every option box and edit, in a fixed order; the edits as typed.
void SaveSettingsOptions(DialogSurface& dialog, SettingsStore& store);

// The display name of the selected account, if one is selected.
std::optional<std::string> SelectedAccountName(DialogSurface& dialog);

// Delete: asks first; true when an account was removed.
bool DeleteSelectedAccount(DialogSurface& dialog, SettingsStore& store);

struct DetailsStep {
    int heightChange;  // dialog units
    const char* text;  // the button's new text
};
DetailsStep DetailsToggle(bool checked);

// Caption and text of the message shown when the settings file cannot be
// written (read-only, disk full).
inline constexpr char kSaveFailedCaption[] = "設定";
inline constexpr char kStartupFailedText[] =
    "Windowsの起動時に開始する設定を変更できませんでした。";
inline constexpr char kSaveFailedText[] =
    "設定ﾌｧｲﾙに書き込めませんでした。変更は保存されていません。\r\n"
    "設定ﾌｧｲﾙが読み取り専用になっていないか、ﾃﾞｨｽｸの空きを確認してください。";

}  // namespace pell
