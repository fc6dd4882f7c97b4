#include "mail/imap_idle.h"

#include "settings/password_scramble.h"
#include "settings/settings_store.h"

namespace pell {

ImapAccount ReadImapAccount(SettingsStore& settings, const std::string& section) {
    ImapAccount account;
    account.server = settings.ReadText(section, "Server", "", 100);
    account.portText = settings.ReadText(section, "Port", "", 10);
    account.user = settings.ReadText(section, "User", "", 50);
    account.password =
        UnscramblePassword(settings.ReadText(section, "Password", "", kMaxScrambledLength + 1));
    account.folder = settings.ReadText(section, "Folder", "INBOX", 256);
    if (account.folder.empty())
        account.folder = "INBOX";
    account.security = settings.ReadInt(section, "Security", 0);
    account.certFingerprint = settings.ReadText(section, "CertFingerprint", "", 256);
    account.timeoutSeconds = settings.ReadInt(section, "TimeOut", 180);
    return account;
}

// Placeholder until the IMAP client lands: no server offers IDLE.
IdleResult RunImapIdle(Network& /*network*/, const ImapAccount& /*account*/,
                       IdleControl& /*control*/, const IdleHooks& /*hooks*/) {
    return IdleResult{IdleEnd::kNoIdle, 0};
}

}  // namespace pell
