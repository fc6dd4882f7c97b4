#include "character/tray_icon_win32.h"

#include <shellapi.h>

#include <optional>
#include <string>

#include "character/context_menu_win32.h"
#include "character/gdi_handles_win32.h"
#include "character/tray_rules.h"
#include "character/window_messages.h"
#include "settings/settings_conventions.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

bool IsSkinLibrary(HMODULE skin) {
    return skin && skin != ProgramInstance();
}

// The icon at the system's small-icon size, picked from the images the
// library carries (16, 32 and 48 pixels for the program's own), so that the
// notification area shows a picture drawn for its size rather than a
// shrunken one. Each load makes an icon of its own, destroyed once the shell
// has taken its copy.
UniqueIcon LoadSizedIcon(HMODULE module, int iconId) {
    const int cx = GetSystemMetrics(SM_CXSMICON);
    const int cy = GetSystemMetrics(SM_CYSMICON);
    return UniqueIcon(static_cast<HICON>(
        LoadImageA(module, MAKEINTRESOURCEA(iconId), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR)));
}

// A skin without its own icons shows the program's; without those, any icon
// is better than an invisible one (the system's shared icon, never destroyed).
struct TrayIconPicture {
    UniqueIcon owned;
    HICON shown = nullptr;
};

TrayIconPicture LoadTrayIcon(HMODULE skin, int iconId) {
    const HINSTANCE program = ProgramInstance();
    TrayIconPicture picture;
    picture.owned = LoadSizedIcon(skin ? skin : program, iconId);
    if (!picture.owned && IsSkinLibrary(skin))
        picture.owned = LoadSizedIcon(program, iconId);
    picture.shown = picture.owned ? picture.owned.get() : LoadIconA(nullptr, IDI_APPLICATION);
    return picture;
}

std::optional<std::string> SkinTip(HMODULE skin) {
    if (!IsSkinLibrary(skin))
        return std::nullopt;
    char text[kSkinTipCapacity] = {};
    const int length = LoadStringA(skin, 1, text, sizeof(text));
    if (length <= 0)
        return std::nullopt;
    return std::string(text, static_cast<std::size_t>(length));
}

// The first form of the record, which every version of the shell accepts.
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88, "first form of the record");

NOTIFYICONDATAA IconRecord(HWND owner) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = kTrayIconId;
    return data;
}

}  // namespace

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

bool IsTrayReAddMessage(UINT message) {
    return message == MSG_TRAYREADD || (message != 0 && message == TaskbarCreatedMessage());
}

TrayIcon::TrayIcon() = default;
TrayIcon::TrayIcon(SettingsStore& store) : store_(&store) {}

SettingsStore& TrayIcon::store() const {
    return store_ ? *store_ : Settings();
}

bool TrayIcon::TaskTrayOn() const {
    return ReadFlag(store(), kControlSection, "TaskTray", kYes);
}

void TrayIcon::ReadBlinkFlag() {
    blinkIconOn_ = ReadFlag(store(), kControlSection, "BlinkIcon", kYes);
}

bool TrayIcon::Send(DWORD action, HWND owner, HMODULE skin, int iconId, TipOccasion occasion) {
    NOTIFYICONDATAA data = IconRecord(owner);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = MSG_TRAYNOTIFY;
    const TrayIconPicture icon = LoadTrayIcon(skin, iconId);
    data.hIcon = icon.shown;
    const std::string tip = TrayTipText(store(), occasion, SkinTip(skin));
    tip.copy(data.szTip, kTrayTipMaxBytes);
    return Shell_NotifyIconA(action, &data) != FALSE;
}

bool TrayIcon::Add(HWND owner, HMODULE skin, int iconId, TipOccasion occasion) {
    // A failed add (no task bar yet) leaves the icon absent, so that the next
    // task-bar start or skin change adds it.
    present_ = Send(NIM_ADD, owner, skin, iconId, occasion);
    return present_;
}

bool TrayIcon::Modify(HWND owner, HMODULE skin, int iconId, TipOccasion occasion) {
    return present_ && Send(NIM_MODIFY, owner, skin, iconId, occasion);
}

void TrayIcon::Delete(HWND owner) {
    NOTIFYICONDATAA data = IconRecord(owner);
    Shell_NotifyIconA(NIM_DELETE, &data);
    present_ = false;
}

void TrayIcon::AddAtCreation(HWND owner, HMODULE skin) {
    if (!TaskTrayOn())
        return;
    Add(owner, skin, kIconIdle, TipOccasion::kShowing);
    ReadBlinkFlag();
}

void TrayIcon::ShowMailIcon(HWND owner, HMODULE skin, bool newMail) {
    Modify(owner, skin, MailIconId(newMail), TipOccasion::kRefresh);
}

void TrayIcon::StartBlinking() {
    blinkPhase_ = true;
}

void TrayIcon::BlinkTick(HWND owner, HMODULE skin) {
    blinkPhase_ = !blinkPhase_;
    // BlinkIcon switched off meanwhile: the timer has nothing more to do.
    if (!blinkIconOn_) {
        KillTimer(owner, kTimerIconBlink);
        return;
    }
    Modify(owner, skin, MailIconId(blinkPhase_), TipOccasion::kBlink);
}

void TrayIcon::ApplyAfterSkinChange(HWND owner, HMODULE skin) {
    switch (DecideSkinChangeStep(TaskTrayOn(), present_)) {
        case TraySkinStep::kModify:
            Modify(owner, skin, kIconIdle, TipOccasion::kShowing);
            break;
        case TraySkinStep::kAdd:
            Add(owner, skin, kIconIdle, TipOccasion::kShowing);
            break;
        case TraySkinStep::kDelete:
            Delete(owner);
            break;
    }
}

void TrayIcon::ReAdd(HWND owner, HMODULE skin) {
    Delete(owner);
    if (!TaskTrayOn())
        return;
    Add(owner, skin, kIconIdle, TipOccasion::kShowing);
    ReadBlinkFlag();
}

void TrayIcon::HandleNotify(HWND owner, LPARAM mouseMessage, const AccountList& accounts) {
    const unsigned message = LOWORD(mouseMessage);
    bool checksNow = false;
    if (message == kTrayDoubleClick) {
        checksNow = ReadFlag(store(), kControlSection, "TrayDblClickAct", kNo);
    }
    const TrayNotifyDecision decision = DecideTrayNotify(message, checksNow);
    switch (decision.action) {
        case TrayNotifyAction::kCommand:
            SendMessageA(owner, WM_COMMAND, MAKEWPARAM(decision.command, 0), 0);
            break;
        case TrayNotifyAction::kOpenMenu:
            OpenContextMenu(owner, store(), accounts, true, present_);
            break;
        case TrayNotifyAction::kNothing:
            break;
    }
}

}  // namespace pell
