#pragma once
// The account dialog's rules: what each field shows from the account's
// section, the order in which OK checks the fields and with which message,
// the name that must stay unique, the units of the check period, and what is
// written into the section. The dialog procedure only carries texts and
// states between these functions and the controls.
#include <optional>
#include <string>
#include <vector>

#include "dialogs/dialog_surface.h"
#include "dialogs/settings_dialog_logic.h"
#include "mail/mail_session.h"
#include "settings/settings_store.h"

namespace pell {

enum AccountDialogControl : int {
    kAccountOk = 1,
    kAccountCancel = 2,
    kAccountDelayLabel = 29,
    kAccountName = 30,
    kAccountServer = 31,
    kAccountUser = 32,
    kAccountPassword = 33,
    kAccountInterval = 34,
    kAccountDelay = 35,
    kAccountMailer = 36,
    kAccountParam = 37,
    kAccountSound = 38,
    kAccountPopup = 39,
    kAccountChooseMailer = 40,
    kAccountChooseSound = 41,
    kAccountApop = 119,
    kAccountPopupSubj = 1023,
    kAccountPopupBody = 1024,
    kAccountPopupTimer = 1028,
    kAccountSecurity = 1030,
    kAccountPort = 1031,
    kAccountTest = 1032,
    kAccountProtocol = 1033,
    kAccountFolder = 1034,
    kAccountFolderLabel = 1035,
    kAccountIdle = 1036,
};

const std::vector<EditLimit>& AccountDialogEdits();

// Connection protection, the Security key: plain POP3, STLS, TLS from the start.
inline constexpr int kSecurityPlain = 0;
inline constexpr int kSecurityStls = 1;
inline constexpr int kSecurityTls = 2;
// Entries of the drop-down, in key order.
const std::vector<std::string>& SecurityChoices();
// How mail is read, the Protocol key (kProtocolPop3, kProtocolImap): the
// drop-down's entries in key order.
const std::vector<std::string>& ProtocolChoices();
// The port an empty Port field stands for.
int DefaultPortFor(int protocol, int security);
// The IMAP folder watched when none is given.
inline constexpr char kDefaultFolder[] = "INBOX";

inline constexpr char kAccountMessageCaption[] = "登録";

// What the dialog keeps while it is open.
struct AccountDialogSession {
    // The display name the dialog was opened with; none for a new account.
    std::optional<std::string> editing;
    // The account's section; empty until a new account is saved.
    std::string section;
    bool delayFieldPresent = true;
    // The server as stored when the dialog opened: a pinned certificate
    // belongs to that server.
    std::string storedServer;
    // A certificate the user chose to trust after a connection test.
    std::optional<std::string> trustedFingerprint;
    // Where the account read its mail when the dialog opened: the IMAP
    // folder's marks of the last check belong to exactly that mailbox.
    int storedProtocol = kProtocolPop3;
    std::string storedUser;
    std::string storedFolder;
};

// Check period: stored seconds shown as whole minutes, at least 1.
int MinutesFromTimerText(std::string_view timer);
// The Timer value for the minutes typed (empty or negative: 0, no automatic check).
std::string TimerTextFromMinutes(std::string_view minutes);
// The OffsetTimer value for the seconds typed (negative: 0).
std::string OffsetTextFromSeconds(std::string_view seconds);

// Initialisation. `editing` is the display name of the account to edit (none
// for a new one); a name that matches no account opens an empty form that is
// saved as a new account. Without Shift held the delay field is left out.
AccountDialogSession InitAccountDialog(DialogSurface& dialog, SettingsStore& store,
                                       const std::optional<std::string>& editing, bool shiftHeld);

// Check box 39: the pop-up's own options follow it.
void OnPopupClicked(DialogSurface& dialog);

// The protocol or the protection changed: the folder shows for IMAP only,
// APOP belongs to POP3 and IDLE to IMAP, and an empty Port field hints at the
// port it stands for.
void OnConnectionKindChanged(DialogSurface& dialog);

// The fields as they would be saved: one line each, cut to their limits, the
// names without blanks at the ends.
struct AccountFields {
    std::string name;
    std::string server;
    std::string user;
    std::string password;
    std::string port;
    int security = kSecurityTls;
    bool apop = false;
    int protocol = kProtocolPop3;
    std::string folder = kDefaultFolder;  // never empty
    bool idle = true;
};
AccountFields ReadAccountFields(DialogSurface& dialog);

// The fields name the IMAP mailbox the account read when the dialog opened,
// whose marks of the last check (what was new) therefore still hold.
bool SameImapMailbox(const AccountDialogSession& session, const AccountFields& fields);

// The fields a connection needs: server, user and a port of 1 to 65535 when
// one is given. Shows the message of the first fault, focuses its field and
// returns false.
bool CheckConnectionFields(DialogSurface& dialog, const AccountFields& fields);

// OK: checks the fields in order (message, focus and false on the first
// fault), then writes the account. On success session.section names the
// account's section and, when editing, session.editing the name saved.
bool SaveAccountDialog(DialogSurface& dialog, SettingsStore& store, AccountDialogSession& session);

}  // namespace pell
