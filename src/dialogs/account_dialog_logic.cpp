#include "dialogs/account_dialog_logic.h"

#include <algorithm>

#include "dialogs/field_text.h"
#include "settings/account_directory.h"
#include "settings/account_list.h"
#include "settings/password_scramble.h"
#include "settings/settings_conventions.h"

namespace pell {
namespace {

constexpr std::size_t kReadCapacity = 256;
constexpr std::size_t kNameLimit = 50;
constexpr std::size_t kPathLimit = 255;
constexpr std::size_t kUserLimit = 30;
constexpr std::size_t kNumberLimit = 4;
constexpr std::size_t kPortLimit = 5;
constexpr std::size_t kFolderLimit = 255;

struct FlagBox {
    int id;
    const char* key;
};

constexpr FlagBox kPopupBoxes[] = {
    {kAccountPopup, "Popup"},
    {kAccountPopupTimer, "Popuptimer"},
    {kAccountPopupSubj, "PopupSubj"},
    {kAccountPopupBody, "PopupBody"},
};

struct TextField {
    int id;
    const char* key;
};

constexpr TextField kProgramFields[] = {
    {kAccountMailer, "Mailer"},
    {kAccountParam, "Param"},
    {kAccountSound, "Sound"},
};

void Warn(DialogSurface& dialog, const char* text, int focus) {
    dialog.ShowMessage(text, kAccountMessageCaption, MessageKind::kWarning);
    dialog.Focus(focus);
}

bool IsDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Some account other than the one being edited already has this name.
bool NameTaken(SettingsStore& store, const AccountDialogSession& session, const std::string& name) {
    if (session.editing && *session.editing == name)
        return false;
    return FindAccountSection(store, name).has_value();
}

int SecurityFromStore(SettingsStore& store, const std::string& section) {
    const int stored = store.ReadInt(section, "Security", kSecurityPlain);
    return stored == kSecurityStls || stored == kSecurityTls ? stored : kSecurityPlain;
}

// Anything but IMAP reads as POP3, as the check does.
int ProtocolFrom(int value) {
    return value == kProtocolImap ? kProtocolImap : kProtocolPop3;
}

std::string FolderFromStore(SettingsStore& store, const std::string& section) {
    std::string folder = store.ReadText(section, "Folder", "", kFolderLimit + 1);
    return folder.empty() ? std::string(kDefaultFolder) : folder;
}

// IDLE is on unless switched off. Only an IMAP account gets the default
// written into its section; a POP3 one is shown the default without it.
bool IdleFromStore(SettingsStore& store, const std::string& section, int protocol) {
    if (protocol == kProtocolImap)
        return ReadFlag(store, section, "Idle", kYes);
    const std::string text = store.ReadText(section, "Idle", "", 32);
    return text.empty() || IsTrueFlagText(text);
}

}  // namespace

const std::vector<EditLimit>& AccountDialogEdits() {
    static const std::vector<EditLimit> edits = {
        {kAccountName, kNameLimit, false},      {kAccountServer, kPathLimit, false},
        {kAccountUser, kUserLimit, false},      {kAccountPassword, kMaxPasswordLength, false},
        {kAccountInterval, kNumberLimit, true}, {kAccountDelay, kNumberLimit, true},
        {kAccountMailer, kPathLimit, false},    {kAccountParam, kPathLimit, false},
        {kAccountSound, kPathLimit, false},     {kAccountPort, kPortLimit, true},
        {kAccountFolder, kFolderLimit, false},
    };
    return edits;
}

const std::vector<std::string>& SecurityChoices() {
    static const std::vector<std::string> choices = {"なし", "STARTTLS", "SSL/TLS"};
    return choices;
}

const std::vector<std::string>& ProtocolChoices() {
    static const std::vector<std::string> choices = {"POP3", "IMAP"};
    return choices;
}

int DefaultPortFor(int protocol, int security) {
    if (protocol == kProtocolImap)
        return security == kSecurityTls ? 993 : 143;
    return security == kSecurityTls ? 995 : 110;
}

int MinutesFromTimerText(std::string_view timer) {
    const int minutes = ParseDecimal(timer) / 60;
    return minutes < 1 ? 1 : minutes;
}

std::string TimerTextFromMinutes(std::string_view minutes) {
    const long long value = ParseDecimal(FieldText(minutes, kNumberLimit));
    return std::to_string(value > 0 ? value * 60 : 0);
}

std::string OffsetTextFromSeconds(std::string_view seconds) {
    const int value = ParseDecimal(FieldText(seconds, kNumberLimit));
    return std::to_string(value > 0 ? value : 0);
}

AccountDialogSession InitAccountDialog(DialogSurface& dialog, SettingsStore& store,
                                       const std::optional<std::string>& editing, bool shiftHeld) {
    AccountDialogSession session;
    session.delayFieldPresent = shiftHeld;
    dialog.SetChoices(kAccountSecurity, SecurityChoices());
    dialog.SetChoices(kAccountProtocol, ProtocolChoices());
    if (editing)
        session.section = FindAccountSection(store, *editing).value_or("");

    if (!session.section.empty()) {
        const std::string& section = session.section;
        session.editing = editing;
        session.storedServer = store.ReadText(section, "Server", "", kReadCapacity);
        dialog.SetText(kAccountName, *editing);
        dialog.SetText(kAccountServer, session.storedServer);
        session.storedUser = store.ReadText(section, "User", "", kReadCapacity);
        dialog.SetText(kAccountUser, session.storedUser);
        dialog.SetText(kAccountPassword,
                       UnscramblePassword(store.ReadText(section, "Password", "", kReadCapacity)));
        dialog.SetChecked(kAccountApop, ReadFlag(store, section, "APOP", kNo));
        dialog.SetText(kAccountInterval, std::to_string(MinutesFromTimerText(
                                             store.ReadText(section, "Timer", "", kReadCapacity))));
        if (session.delayFieldPresent)
            dialog.SetText(kAccountDelay,
                           store.ReadText(section, "OffsetTimer", "", kReadCapacity));
        for (const TextField& field : kProgramFields)
            dialog.SetText(field.id, store.ReadText(section, field.key, "", kReadCapacity));
        for (const FlagBox& box : kPopupBoxes)
            dialog.SetChecked(box.id, ReadFlag(store, section, box.key, kNo));
        dialog.Select(kAccountSecurity, SecurityFromStore(store, section));
        dialog.SetText(kAccountPort, store.ReadText(section, "Port", "", kPortLimit + 1));
        session.storedProtocol = ProtocolFrom(store.ReadInt(section, "Protocol", kProtocolPop3));
        session.storedFolder = FolderFromStore(store, section);
        dialog.Select(kAccountProtocol, session.storedProtocol);
        dialog.SetText(kAccountFolder, session.storedFolder);
        dialog.SetChecked(kAccountIdle, IdleFromStore(store, section, session.storedProtocol));
    } else {
        // A new account; a name that names no account (a hand-edited file)
        // is kept in its field and saved as a new account.
        if (editing)
            dialog.SetText(kAccountName, *editing);
        dialog.SetText(kAccountInterval, "15");
        dialog.Select(kAccountSecurity, kSecurityTls);
        dialog.Select(kAccountProtocol, kProtocolPop3);
        dialog.SetText(kAccountFolder, kDefaultFolder);
        dialog.SetChecked(kAccountIdle, true);
    }
    OnPopupClicked(dialog);
    OnConnectionKindChanged(dialog);
    return session;
}

void OnPopupClicked(DialogSurface& dialog) {
    const bool popup = dialog.Checked(kAccountPopup);
    dialog.Enable(kAccountPopupTimer, popup);
    dialog.Enable(kAccountPopupSubj, popup);
    dialog.Enable(kAccountPopupBody, popup);
}

void OnConnectionKindChanged(DialogSurface& dialog) {
    const AccountFields fields = ReadAccountFields(dialog);
    const bool imap = fields.protocol == kProtocolImap;
    dialog.Show(kAccountFolderLabel, imap);
    dialog.Show(kAccountFolder, imap);
    dialog.Enable(kAccountApop, !imap);
    dialog.Enable(kAccountIdle, imap);
    dialog.SetHint(kAccountPort, std::to_string(DefaultPortFor(fields.protocol, fields.security)));
}

AccountFields ReadAccountFields(DialogSurface& dialog) {
    AccountFields fields;
    fields.name = TrimmedFieldText(dialog.Text(kAccountName), kNameLimit);
    fields.server = TrimmedFieldText(dialog.Text(kAccountServer), kPathLimit);
    fields.user = TrimmedFieldText(dialog.Text(kAccountUser), kUserLimit);
    fields.password = FieldText(dialog.Text(kAccountPassword), kMaxPasswordLength);
    fields.port = TrimmedFieldText(dialog.Text(kAccountPort), kPortLimit);
    const int security = dialog.Selection(kAccountSecurity);
    fields.security =
        security >= kSecurityPlain && security <= kSecurityTls ? security : kSecurityPlain;
    fields.apop = dialog.Checked(kAccountApop);
    fields.protocol = ProtocolFrom(dialog.Selection(kAccountProtocol));
    fields.folder = TrimmedFieldText(dialog.Text(kAccountFolder), kFolderLimit);
    if (fields.folder.empty())
        fields.folder = kDefaultFolder;
    fields.idle = dialog.Checked(kAccountIdle);
    return fields;
}

bool SameImapMailbox(const AccountDialogSession& session, const AccountFields& fields) {
    return !session.section.empty() && session.storedProtocol == kProtocolImap &&
           fields.protocol == kProtocolImap && fields.server == session.storedServer &&
           fields.user == session.storedUser && fields.folder == session.storedFolder;
}

bool CheckConnectionFields(DialogSurface& dialog, const AccountFields& fields) {
    if (fields.server.empty()) {
        Warn(dialog, "受信ﾒｰﾙｻｰﾊﾞ(POP3)を記入してください", kAccountServer);
        return false;
    }
    if (fields.user.empty()) {
        Warn(dialog, "ﾕｰｻﾞｰ名を記入してください", kAccountUser);
        return false;
    }
    if (!fields.port.empty()) {
        const int port = ParseDecimal(fields.port);
        if (!IsDigits(fields.port) || port < 1 || port > 65535) {
            Warn(dialog, "ﾎﾟｰﾄ番号は1～65535の数字で記入してください", kAccountPort);
            return false;
        }
    }
    return true;
}

bool SaveAccountDialog(DialogSurface& dialog, SettingsStore& store, AccountDialogSession& session) {
    const AccountFields fields = ReadAccountFields(dialog);
    if (fields.name.empty()) {
        Warn(dialog, "ﾒｰﾙｻｰﾊﾞ名称を記入してください", kAccountName);
        return false;
    }
    if (!CheckConnectionFields(dialog, fields))
        return false;
    if (NameTaken(store, session, fields.name)) {
        Warn(dialog, "同一のｱｶｳﾝﾄが存在します。名前を変更してください。", kAccountName);
        return false;
    }

    const bool isNew = session.section.empty();
    if (isNew) {
        session.section = CreateAccountSection(store, fields.name);
        // A section left behind by a hand-edited directory must not lend the
        // new account its seen messages or its pinned certificate.
        if (store.ReadText(session.section, "Popname", "", kReadCapacity) != fields.name)
            store.DeleteSection(session.section);
    }
    const std::string& section = session.section;
    store.Write(section, "Popname", fields.name);
    store.Write(section, "Server", fields.server);
    store.Write(section, "User", fields.user);
    store.Write(section, "Password", ScramblePassword(fields.password));
    WriteFlag(store, section, "APOP", fields.apop);
    store.Write(section, "Timer", TimerTextFromMinutes(dialog.Text(kAccountInterval)));
    if (session.delayFieldPresent)
        store.Write(section, "OffsetTimer", OffsetTextFromSeconds(dialog.Text(kAccountDelay)));
    for (const TextField& field : kProgramFields)
        store.Write(section, field.key, FieldText(dialog.Text(field.id), kPathLimit));
    for (const FlagBox& box : kPopupBoxes)
        WriteFlag(store, section, box.key, dialog.Checked(box.id));
    store.Write(section, "Security", std::to_string(fields.security));
    store.Write(section, "Port", fields.port);
    store.Write(section, "Protocol", std::to_string(fields.protocol));
    if (fields.protocol == kProtocolImap) {
        store.Write(section, "Folder", fields.folder);
        WriteFlag(store, section, "Idle", fields.idle);
    }
    // The folder's marks of the last check tell what was new in one mailbox;
    // another mailbox starts afresh, like a first check.
    if (!isNew && session.storedProtocol == kProtocolImap && !SameImapMailbox(session, fields)) {
        store.DeleteKey(section, "ImapUidValidity");
        store.DeleteKey(section, "ImapUidNext");
    }
    if (session.trustedFingerprint) {
        store.Write(section, "CertFingerprint", *session.trustedFingerprint);
    } else if (!isNew && fields.server != session.storedServer) {
        // A pinned certificate belongs to the server it was taken from.
        store.Write(section, "CertFingerprint", "");
    }
    if (session.editing)
        session.editing = fields.name;
    return true;
}

}  // namespace pell
