#include "dialogs/settings_dialog_logic.h"

#include "dialogs/field_text.h"
#include "settings/account_directory.h"
#include "settings/account_list.h"
#include "settings/settings_conventions.h"

namespace pell {
namespace {

// Texts of the list and the edits are read through 512-byte buffers.
constexpr std::size_t kTextCapacity = 512;

struct OptionBox {
    int id;
    const char* key;
    std::string_view fallback;
};

// The order in which the boxes are filled from the file.
constexpr OptionBox kOptionsFilled[] = {
    {kSettingsThink, "Think", kYes},
    {kSettingsTeleho, "Teleho", kNo},
    {kSettingsFaceCtrl, "FaceCtrlInChecking", kNo},
    {kSettingsTopmost, "Topmost", kNo},
    {kSettingsMoreTopmost, "MoreTopmost", kNo},
    {kSettingsGetnew, "Getnew", kYes},
    {kSettingsMultiExe, "MultiExe", kNo},
    {kSettingsTaskTray, "TaskTray", kYes},
    {kSettingsBlinkIcon, "BlinkIcon", kYes},
    {kSettingsTrayDblClick, "TrayDblClickAct", kNo},
    {kSettingsUseSkin, "UseSkin", kNo},
    {kSettingsDefaultMessageBox, "DefaultMessageBox", kNo},
};

// The order in which they are written on closing.
constexpr OptionBox kOptionsWritten[] = {
    {kSettingsTopmost, "Topmost", kNo},
    {kSettingsMoreTopmost, "MoreTopmost", kNo},
    {kSettingsMultiExe, "MultiExe", kNo},
    {kSettingsFaceCtrl, "FaceCtrlInChecking", kNo},
    {kSettingsGetnew, "Getnew", kYes},
    {kSettingsThink, "Think", kYes},
    {kSettingsTaskTray, "TaskTray", kYes},
    {kSettingsTrayDblClick, "TrayDblClickAct", kNo},
    {kSettingsBlinkIcon, "BlinkIcon", kYes},
    {kSettingsUseSkin, "UseSkin", kNo},
    {kSettingsDefaultMessageBox, "DefaultMessageBox", kNo},
    {kSettingsTeleho, "Teleho", kNo},
};

struct OptionEdit {
    int id;
    const char* key;
    const char* shown;  // shown when the key is missing (or, for the hours, empty)
    bool shownWhenEmpty;
};

constexpr OptionEdit kEditsFilled[] = {
    {kSettingsTaskTrayTimer, "TaskTrayTimer", "1000", false},
    {kSettingsAnimationTimer, "AnimationTimer", "200", false},
    {kSettingsFaceDelay, "FaceDelay", "8", false},
    {kSettingsSkinFile, "SkinFile", "", false},
    {kSettingsTelehoStart, "TelehoStartTime", "23", true},
    {kSettingsTelehoEnd, "TelehoEndTime", "8", true},
};

constexpr int kEditsWritten[] = {
    kSettingsTelehoStart,   kSettingsTelehoEnd,      kSettingsFaceDelay,
    kSettingsTaskTrayTimer, kSettingsAnimationTimer, kSettingsSkinFile,
};

const char* KeyOfEdit(int id) {
    for (const OptionEdit& edit : kEditsFilled) {
        if (edit.id == id)
            return edit.key;
    }
    return "";
}

std::size_t LimitOf(int id) {
    for (const EditLimit& edit : SettingsDialogEdits()) {
        if (edit.id == id)
            return edit.limit;
    }
    return kTextCapacity - 1;
}

void UpdateAccountButtons(DialogSurface& dialog, SettingsStore& store) {
    dialog.Enable(kSettingsDelete, false);
    dialog.Enable(kSettingsEdit, false);
    dialog.Enable(kSettingsAdd, store.ReadInt(kPoplistSection, "Count", 0) <= kMaxAccountsToAdd);
}

}  // namespace

const std::vector<EditLimit>& SettingsDialogEdits() {
    static const std::vector<EditLimit> edits = {
        {kSettingsTaskTrayTimer, 12, true}, {kSettingsAnimationTimer, 12, true},
        {kSettingsFaceDelay, 12, true},     {kSettingsTelehoStart, 2, true},
        {kSettingsTelehoEnd, 2, true},      {kSettingsSkinFile, kTextCapacity - 1, false},
    };
    return edits;
}

std::vector<ListRow> ReadAccountRows(SettingsStore& store) {
    std::vector<ListRow> rows;
    const int count = ReadAccountCount(store);
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) {
        const std::string section =
            store.ReadText(kPoplistSection, ListKey(i), "", kSectionNameCapacity);
        ListRow row;
        row.checked = true;
        // A directory entry without a section has nothing to show; reading its
        // flag would write a nameless section into the file.
        if (!section.empty()) {
            row.name = store.ReadText(section, "Popname", "", kTextCapacity);
            row.user = store.ReadText(section, "User", "", kTextCapacity);
            row.checked = ReadFlag(store, section, "Check", kYes);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void InitSettingsDialog(DialogSurface& dialog, SettingsStore& store, bool shiftHeld) {
    dialog.SetRows(kSettingsAccountList, ReadAccountRows(store));
    UpdateAccountButtons(dialog, store);
    for (const OptionBox& box : kOptionsFilled) {
        if (ReadFlag(store, kControlSection, box.key, box.fallback))
            dialog.SetChecked(box.id, true);
    }
    for (const OptionEdit& edit : kEditsFilled) {
        std::string text = store.ReadText(kControlSection, edit.key, edit.shown, kTextCapacity);
        if (edit.shownWhenEmpty && text.empty())
            text = edit.shown;
        dialog.SetText(edit.id, text);
    }
    ApplyOptionEnabling(dialog);
    if (!shiftHeld) {
        dialog.Enable(kSettingsFaceCtrl, false);
        dialog.Enable(kSettingsThink, false);
        dialog.Enable(kSettingsFaceDelay, false);
    }
}

void RefreshAccountList(DialogSurface& dialog, SettingsStore& store) {
    dialog.SetRows(kSettingsAccountList, ReadAccountRows(store));
    UpdateAccountButtons(dialog, store);
}

void ApplyOptionEnabling(DialogSurface& dialog) {
    const bool teleho = dialog.Checked(kSettingsTeleho);
    dialog.Enable(kSettingsTelehoStart, teleho);
    dialog.Enable(kSettingsTelehoEnd, teleho);

    const bool topmost = dialog.Checked(kSettingsTopmost);
    dialog.Enable(kSettingsMoreTopmost, topmost);
    dialog.Enable(kSettingsGetnew, !topmost);

    const bool tray = dialog.Checked(kSettingsTaskTray);
    dialog.Enable(kSettingsBlinkIcon, tray);
    dialog.Enable(kSettingsTrayDblClick, tray);
    dialog.Enable(kSettingsTaskTrayTimer, tray && dialog.Checked(kSettingsBlinkIcon));

    const bool skin = dialog.Checked(kSettingsUseSkin);
    dialog.Enable(kSettingsSkinFile, skin);
    dialog.Enable(kSettingsChooseSkin, skin);
}

void OnAccountListClicked(DialogSurface& dialog) {
    const bool selected = dialog.SelectedRow(kSettingsAccountList) >= 0;
    dialog.Enable(kSettingsDelete, selected);
    dialog.Enable(kSettingsEdit, selected);
}

void SaveAccountChecks(DialogSurface& dialog, SettingsStore& store) {
    const std::vector<ListRow> rows = dialog.Rows(kSettingsAccountList);
    const int count = ReadAccountCount(store);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        // Row i shows List(i + 1); by name only when the directory changed
        // meanwhile, so that two accounts of one name keep their own marks.
        std::optional<std::string> section;
        if (static_cast<int>(i) < count) {
            std::string listed = store.ReadText(kPoplistSection, ListKey(static_cast<int>(i) + 1),
                                                "", kSectionNameCapacity);
            if (!listed.empty() &&
                store.ReadText(listed, "Popname", "", kTextCapacity) == rows[i].name) {
                section = std::move(listed);
            }
        }
        if (!section)
            section = FindAccountSection(store, rows[i].name);
        if (section)
            WriteFlag(store, *section, "Check", rows[i].checked);
    }
}

void SaveSettingsOptions(DialogSurface& dialog, SettingsStore& store) {
    for (const OptionBox& box : kOptionsWritten)
        WriteFlag(store, kControlSection, box.key, dialog.Checked(box.id));
    for (int id : kEditsWritten)
        store.Write(kControlSection, KeyOfEdit(id), FieldText(dialog.Text(id), LimitOf(id)));
}

std::optional<std::string> SelectedAccountName(DialogSurface& dialog) {
    const int selected = dialog.SelectedRow(kSettingsAccountList);
    if (selected < 0)
        return std::nullopt;
    const std::vector<ListRow> rows = dialog.Rows(kSettingsAccountList);
    if (static_cast<std::size_t>(selected) >= rows.size())
        return std::nullopt;
    return rows[static_cast<std::size_t>(selected)].name;
}

bool DeleteSelectedAccount(DialogSurface& dialog, SettingsStore& store) {
    const std::optional<std::string> name = SelectedAccountName(dialog);
    if (!name) {
        dialog.ShowMessage("ﾒｰﾙｻｰﾊﾞを選択してください。", "編集", MessageKind::kWarning);
        return false;
    }
    // The name is a text of its own, never a format: "%s" or "&" show as typed.
    if (!dialog.ShowMessage(*name + " を削除してもいいですか？", "削除", MessageKind::kConfirm))
        return false;
    RemoveAccount(store, *name);
    return true;
}

DetailsStep DetailsToggle(bool checked) {
    if (checked)
        return {kDetailsHeight, "<< 詳細"};
    return {-kDetailsHeight, "詳細 >>"};
}

}  // namespace pell
