#include "mail/imap_settings.h"

#include "mail/imap_response.h"

namespace pell {

std::string ReadImapFolder(SettingsStore& settings, const std::string& section) {
    std::string folder = settings.ReadText(section, "Folder", "INBOX", 256);
    return folder.empty() ? "INBOX" : folder;
}

std::uint32_t ReadImapMark(SettingsStore& settings, const std::string& section, const char* key) {
    return ParseImapNumber(settings.ReadText(section, key, "", 16)).value_or(0);
}

bool StoreImapMarks(SettingsStore& settings, const std::string& section, std::uint32_t uidValidity,
                    std::uint32_t uidNext) {
    if (uidValidity == 0 || uidNext == 0) {
        bool removed = settings.DeleteKey(section, "ImapUidValidity");
        return settings.DeleteKey(section, "ImapUidNext") && removed;
    }
    bool written = settings.Write(section, "ImapUidValidity", std::to_string(uidValidity));
    return settings.Write(section, "ImapUidNext", std::to_string(uidNext)) && written;
}

}  // namespace pell
