// The settings dialog's rules against a dialog of maps and a real INI file.
#include "dialogs/settings_dialog_logic.h"

#include <gtest/gtest.h>

#include "dialogs/fake_dialog.h"
#include "dialogs/recording_store.h"
#include "dialogs/write_watch.h"

namespace pell {
namespace {

using testing::FakeDialog;
using testing::RecordingStore;

class SettingsDialogLogic : public ::testing::Test {
  protected:
    void Accounts(const std::string& bytes) { store.file.Write(bytes); }
    void Open(bool shift = false) {
        InitSettingsDialog(dialog, store, shift);
        store.writes.clear();
    }
    std::vector<std::string> RowNames() {
        std::vector<std::string> names;
        for (const ListRow& row : dialog.rows)
            names.push_back(row.name);
        return names;
    }

    RecordingStore store;
    FakeDialog dialog;
};

const char kThreeAccounts[] =
    "[Poplist]\r\nCount=3\r\nList1=POP1\r\nList2=POP2\r\nList3=POP3\r\n"
    "[POP1]\r\nPopname=Home\r\nUser=me\r\n[POP2]\r\nPopname=Work\r\nUser=boss\r\nCheck=No\r\n"
    "[POP3]\r\nPopname=Club & %s\r\nUser=x\r\n";

TEST_F(SettingsDialogLogic, AnEmptyFileShowsTheDefaultsWithoutWritingTheEdits) {
    InitSettingsDialog(dialog, store, false);
    EXPECT_TRUE(dialog.rows.empty());
    EXPECT_FALSE(dialog.Enabled(kSettingsDelete));
    EXPECT_FALSE(dialog.Enabled(kSettingsEdit));
    EXPECT_TRUE(dialog.Enabled(kSettingsAdd));
    const std::pair<int, const char*> shown[] = {
        {kSettingsTaskTrayTimer, "1000"}, {kSettingsAnimationTimer, "200"},
        {kSettingsFaceDelay, "8"},        {kSettingsSkinFile, ""},
        {kSettingsTelehoStart, "23"},     {kSettingsTelehoEnd, "8"}};
    for (const auto& [id, text] : shown)
        EXPECT_EQ(dialog.texts[id], text) << id;
    for (const char* key : {"TaskTrayTimer", "AnimationTimer", "FaceDelay", "SkinFile",
                            "TelehoStartTime", "TelehoEndTime"}) {
        EXPECT_EQ(store.Get("Control", key), "<none>") << key;
    }
    // Flags repair themselves: their defaults are written and shown.
    const std::pair<int, bool> boxes[] = {
        {kSettingsThink, true},        {kSettingsTeleho, false},
        {kSettingsFaceCtrl, false},    {kSettingsTopmost, false},
        {kSettingsMoreTopmost, false}, {kSettingsGetnew, true},
        {kSettingsMultiExe, false},    {kSettingsTaskTray, true},
        {kSettingsBlinkIcon, true},    {kSettingsTrayDblClick, false},
        {kSettingsUseSkin, false},     {kSettingsDefaultMessageBox, false}};
    for (const auto& [id, on] : boxes)
        EXPECT_EQ(dialog.checks[id], on) << id;
    EXPECT_EQ(store.Get("Control", "Think"), "Yes");
    EXPECT_EQ(store.Get("Control", "Teleho"), "No");
}

TEST_F(SettingsDialogLogic, TheListShowsNameUserAndCheckOfEachAccount) {
    Accounts(kThreeAccounts);
    Open();
    ASSERT_EQ(dialog.rows.size(), 3u);
    EXPECT_EQ(dialog.rows[0].name, "Home");
    EXPECT_EQ(dialog.rows[0].user, "me");
    EXPECT_TRUE(dialog.rows[0].checked);
    EXPECT_FALSE(dialog.rows[1].checked);
    EXPECT_EQ(dialog.rows[2].name, "Club & %s");
    EXPECT_EQ(store.Get("POP1", "Check"), "Yes");  // repaired
}

TEST_F(SettingsDialogLogic, AddIsDisabledAboveTheLastTimerId) {
    for (const auto& [count, enabled] : {std::pair{"9989", true}, std::pair{"9990", false}}) {
        Accounts(std::string("[Poplist]\r\nCount=") + count + "\r\n");
        RefreshAccountList(dialog, store);
        EXPECT_EQ(dialog.Enabled(kSettingsAdd), enabled) << count;
    }
}

TEST_F(SettingsDialogLogic, WithoutShiftTheExpertOptionsAreDisabledButStillWritten) {
    Accounts("[Control]\r\nThink=No\r\nFaceCtrlInChecking=Yes\r\nFaceDelay=30\r\n");
    for (bool shift : {false, true}) {
        dialog = FakeDialog();
        Open(shift);
        for (int id : {kSettingsFaceCtrl, kSettingsThink, kSettingsFaceDelay})
            EXPECT_EQ(dialog.Enabled(id), shift) << id;
        SaveSettingsOptions(dialog, store);
        EXPECT_EQ(store.Get("Control", "Think"), "No");
        EXPECT_EQ(store.Get("Control", "FaceCtrlInChecking"), "Yes");
        EXPECT_EQ(store.Get("Control", "FaceDelay"), "30");
    }
}

TEST_F(SettingsDialogLogic, EnablingFollowsTheBoxes) {
    Open(true);
    struct Step {
        int clicked;
        bool checked;
        std::vector<int> enabled;
        std::vector<int> disabled;
    };
    const Step steps[] = {
        {kSettingsTaskTray,
         false,
         {},
         {kSettingsBlinkIcon, kSettingsTaskTrayTimer, kSettingsTrayDblClick}},
        {kSettingsBlinkIcon, false, {}, {kSettingsTaskTrayTimer}},
        {kSettingsTaskTray,
         true,
         {kSettingsBlinkIcon, kSettingsTrayDblClick},
         {kSettingsTaskTrayTimer}},
        {kSettingsBlinkIcon, true, {kSettingsTaskTrayTimer}, {}},
        {kSettingsTopmost, true, {kSettingsMoreTopmost}, {kSettingsGetnew}},
        {kSettingsTopmost, false, {kSettingsGetnew}, {kSettingsMoreTopmost}},
        {kSettingsTeleho, true, {kSettingsTelehoStart, kSettingsTelehoEnd}, {}},
        {kSettingsTeleho, false, {}, {kSettingsTelehoStart, kSettingsTelehoEnd}},
        {kSettingsUseSkin, true, {kSettingsSkinFile, kSettingsChooseSkin}, {}},
        {kSettingsUseSkin, false, {}, {kSettingsSkinFile, kSettingsChooseSkin}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.clicked) + (step.checked ? " on" : " off"));
        dialog.checks[step.clicked] = step.checked;
        ApplyOptionEnabling(dialog);
        for (int id : step.enabled)
            EXPECT_TRUE(dialog.Enabled(id)) << id;
        for (int id : step.disabled)
            EXPECT_FALSE(dialog.Enabled(id)) << id;
    }
}

TEST_F(SettingsDialogLogic, OpeningAppliesTheSameEnablingAsAClick) {
    Accounts("[Control]\r\nTopmost=Yes\r\nTaskTray=No\r\nTeleho=No\r\nUseSkin=Yes\r\n");
    Open(true);
    EXPECT_FALSE(dialog.Enabled(kSettingsGetnew));
    EXPECT_TRUE(dialog.Enabled(kSettingsMoreTopmost));
    for (int id : {kSettingsBlinkIcon, kSettingsTaskTrayTimer, kSettingsTrayDblClick,
                   kSettingsTelehoStart, kSettingsTelehoEnd})
        EXPECT_FALSE(dialog.Enabled(id)) << id;
    EXPECT_TRUE(dialog.Enabled(kSettingsSkinFile));
}

TEST_F(SettingsDialogLogic, CloseWritesEveryOptionInOrderAndTheEditsAsTyped) {
    Open(true);
    dialog.checks[kSettingsTopmost] = true;
    dialog.checks[kSettingsThink] = false;
    dialog.texts[kSettingsTelehoStart] = "";
    dialog.texts[kSettingsTelehoEnd] = "7";
    dialog.texts[kSettingsFaceDelay] = "abc";  // pasted into a digits-only field
    dialog.texts[kSettingsTaskTrayTimer] = std::string(10000, '9');
    dialog.texts[kSettingsSkinFile] = "C:\\skins\\a.dll\r\n[Poplist]\r\nCount=0";
    SaveSettingsOptions(dialog, store);
    const std::vector<std::string> expected = {
        "Control/Topmost=Yes",          "Control/MoreTopmost=No",
        "Control/MultiExe=No",          "Control/FaceCtrlInChecking=No",
        "Control/Getnew=Yes",           "Control/Think=No",
        "Control/TaskTray=Yes",         "Control/TrayDblClickAct=No",
        "Control/BlinkIcon=Yes",        "Control/UseSkin=No",
        "Control/DefaultMessageBox=No", "Control/Teleho=No",
        "Control/TelehoStartTime=",     "Control/TelehoEndTime=7",
        "Control/FaceDelay=abc",        "Control/TaskTrayTimer=999999999999",
        "Control/AnimationTimer=200",   "Control/SkinFile=C:\\skins\\a.dll[Poplist]Count=0",
    };
    EXPECT_EQ(store.writes, expected);
    EXPECT_EQ(store.Get("Poplist", "Count"), "<none>") << "a pasted line break made a new line";
}

TEST_F(SettingsDialogLogic, AnEmptyFlatRateStartShowsAndWrites23) {
    Accounts("[Control]\r\nTelehoStartTime=\r\nTelehoEndTime=\r\n");
    Open();
    SaveSettingsOptions(dialog, store);
    EXPECT_EQ(store.Get("Control", "TelehoStartTime"), "23");
    EXPECT_EQ(store.Get("Control", "TelehoEndTime"), "8");
}

TEST_F(SettingsDialogLogic, EveryOtherLineOfTheFileKeepsItsTextAndPlace) {
    const std::string before =
        "; my notes\r\n[Control]\r\nTopmost=Yes\r\nSecretOption=42\r\n\r\n"
        "[Poplist]\r\nCount=1\r\nList1=POP1\r\n; keep me\r\n"
        "[POP1]\r\nPopname=Home\r\nCheck=Yes\r\nMesid=<a@b>,\r\nFuture=1\r\n[Unknown]\r\nx=y\r\n";
    Accounts(before);
    Open(true);
    SaveAccountChecks(dialog, store);
    SaveSettingsOptions(dialog, store);
    const std::string after = store.file.Read();
    // The lines of the file before, in order, are still there; only owned
    // keys were added.
    std::size_t from = 0;
    std::size_t start = 0;
    while (start < before.size()) {
        const std::size_t end = before.find("\r\n", start);
        const std::string line = before.substr(start, end - start + 2);
        start = end + 2;
        const std::size_t at = after.find(line, from);
        ASSERT_NE(at, std::string::npos) << line;
        from = at + line.size();
    }
}

TEST_F(SettingsDialogLogic, RefreshKeepsChangesThatAreNotSavedYet) {
    Accounts("[Control]\r\nTopmost=Yes\r\n");
    Open(true);
    dialog.checks[kSettingsTopmost] = false;
    ApplyOptionEnabling(dialog);
    dialog.texts[kSettingsAnimationTimer] = "50";
    RefreshAccountList(dialog, store);
    EXPECT_FALSE(dialog.checks[kSettingsTopmost]);
    EXPECT_TRUE(dialog.Enabled(kSettingsGetnew));
    EXPECT_EQ(dialog.texts[kSettingsAnimationTimer], "50");
}

TEST_F(SettingsDialogLogic, ListClicksFollowTheSelectionAndSaveChecks) {
    Accounts(kThreeAccounts);
    Open();
    dialog.selectedRow = 1;
    OnAccountListClicked(dialog);
    EXPECT_TRUE(dialog.Enabled(kSettingsEdit));
    EXPECT_TRUE(dialog.Enabled(kSettingsDelete));
    dialog.rows[0].checked = false;
    dialog.rows[1].checked = true;
    SaveAccountChecks(dialog, store);
    EXPECT_EQ(store.Get("POP1", "Check"), "No");
    EXPECT_EQ(store.Get("POP2", "Check"), "Yes");
    dialog.selectedRow = -1;
    OnAccountListClicked(dialog);
    EXPECT_FALSE(dialog.Enabled(kSettingsEdit));
    EXPECT_FALSE(dialog.Enabled(kSettingsDelete));
}

TEST_F(SettingsDialogLogic, TwoAccountsOfOneNameKeepTheirOwnChecks) {
    Accounts(
        "[Poplist]\r\nCount=2\r\nList1=POP1\r\nList2=POP2\r\n[POP1]\r\nPopname=Twin\r\n"
        "[POP2]\r\nPopname=Twin\r\n");
    Open();
    dialog.rows[0].checked = true;
    dialog.rows[1].checked = false;
    SaveAccountChecks(dialog, store);
    EXPECT_EQ(store.Get("POP1", "Check"), "Yes");
    EXPECT_EQ(store.Get("POP2", "Check"), "No");
}

TEST_F(SettingsDialogLogic, DeleteAsksAndMovesTheLastAccountIntoTheGap) {
    Accounts(kThreeAccounts);
    Open();
    EXPECT_FALSE(DeleteSelectedAccount(dialog, store));
    ASSERT_EQ(dialog.messages.size(), 1u);
    EXPECT_EQ(dialog.messages[0].text, "ﾒｰﾙｻｰﾊﾞを選択してください。");
    EXPECT_EQ(dialog.messages[0].caption, "編集");
    EXPECT_EQ(dialog.messages[0].kind, MessageKind::kWarning);

    dialog.selectedRow = 2;
    dialog.answers = {false};
    EXPECT_FALSE(DeleteSelectedAccount(dialog, store));
    EXPECT_EQ(dialog.messages[1].text, "Club & %s を削除してもいいですか？");
    EXPECT_EQ(dialog.messages[1].caption, "削除");
    EXPECT_EQ(dialog.messages[1].kind, MessageKind::kConfirm);
    EXPECT_TRUE(store.writes.empty()) << "cancel deletes nothing";

    dialog.selectedRow = 0;
    EXPECT_TRUE(DeleteSelectedAccount(dialog, store));
    RefreshAccountList(dialog, store);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"Club & %s", "Work"}));
    EXPECT_EQ(store.Get("POP1", "Popname"), "<none>");
    EXPECT_EQ(store.Get("POP2", "Check"), "No");
}

TEST_F(SettingsDialogLogic, AFileThatCannotBeWrittenIsNoticed) {
    IniFileStore unwritable("/nonexistent-folder/pell/Zeririvu.ini");
    WriteWatchStore watched(unwritable);
    InitSettingsDialog(dialog, watched, false);  // the flag repairs fail quietly
    SaveSettingsOptions(dialog, watched);
    EXPECT_TRUE(watched.failed());
    WriteWatchStore fine(store);
    SaveSettingsOptions(dialog, fine);
    EXPECT_FALSE(fine.failed());
}

}  // namespace
}  // namespace pell
