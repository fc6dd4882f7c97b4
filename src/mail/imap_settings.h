#pragma once
// The IMAP keys of an account section: the folder (Folder) and the marks of
// the last successful check (ImapUidValidity, ImapUidNext).
#include <cstdint>
#include <string>

#include "settings/settings_store.h"

namespace pell {

// The Folder key; empty or missing gives "INBOX".
std::string ReadImapFolder(SettingsStore& settings, const std::string& section);

// A stored mark: a decimal number of 1 to 4294967295, else 0 (none).
std::uint32_t ReadImapMark(SettingsStore& settings, const std::string& section, const char* key);

// Stores both marks, or removes both when one is unknown, so that a half
// pair never survives. False when the file refused a write.
bool StoreImapMarks(SettingsStore& settings, const std::string& section, std::uint32_t uidValidity,
                    std::uint32_t uidNext);

}  // namespace pell
