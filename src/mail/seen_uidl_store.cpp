#include "mail/seen_uidl_store.h"

#include <array>
#include <cstdint>

#include "mail/md5.h"
#include "mail/uidl_listing.h"
#include "startup/text_search.h"

namespace pell {
namespace {

constexpr std::string_view kFileHeader = "Pell Watcher seen UIDLs 1";
// Far above any real mailbox (a million ids of Dovecot's 16 digits); a larger
// file is not this program's.
constexpr std::size_t kMaxFileSize = 64 * 1024 * 1024;
constexpr std::size_t kHashDigits = 32;

std::string Hex(const std::array<std::uint8_t, 16>& digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : digest) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = AsciiUpper(c);
    return upper;
}

bool IsHash(std::string_view text) {
    return text.size() == kHashDigits &&
           text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

bool IsPlainLine(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
    }
    return true;
}

bool IsUidl(std::string_view text) {
    if (text.empty() || text.size() > kMaxUidlLength)
        return false;
    for (char c : text) {
        if (c < 0x21 || c > 0x7E)
            return false;
    }
    return true;
}

// The next line of the text, without its line end.
bool NextLine(std::string_view& text, std::string_view& line) {
    if (text.empty())
        return false;
    const std::size_t end = text.find('\n');
    line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return true;
}

}  // namespace

std::string MailboxIdentity(std::string_view server, std::string_view port, std::string_view user) {
    Md5 md5;
    for (const std::string& part : {Upper(server), std::string(port), std::string(user)}) {
        md5.Update(part);
        md5.Update("", 1);
    }
    return Hex(md5.Finish());
}

std::string SeenIdsHash(std::string_view seenIds) {
    Md5 md5;
    md5.Update(seenIds);
    return Hex(md5.Finish());
}

SeenUidlEntries ParseSeenUidlText(std::string_view text) {
    SeenUidlEntries entries;
    std::string_view line;
    if (!NextLine(text, line) || line != kFileHeader)
        return entries;
    // An entry: "A section", "M mailbox", "S hash", "U id" per message, and
    // "E count" closing it; anything else drops the entry it stands in.
    std::optional<std::string> account;
    SeenUidls entry;
    int part = 0;  // 0 before A, 1 after A, 2 after M, 3 after S
    while (NextLine(text, line)) {
        const std::string_view tag = line.substr(0, 2);
        const std::string_view value = line.substr(std::min<std::size_t>(2, line.size()));
        bool good = true;
        if (tag == "A ") {
            account = Upper(value);
            entry = SeenUidls{};
            good = !value.empty() && IsPlainLine(value);
            part = 1;
        } else if (tag == "M " && part == 1 && IsHash(value)) {
            entry.mailbox = std::string(value);
            part = 2;
        } else if (tag == "S " && part == 2 && IsHash(value)) {
            entry.seenIdsHash = std::string(value);
            part = 3;
        } else if (tag == "U " && part == 3 && IsUidl(value)) {
            entry.uidls.emplace_back(value);
        } else if (tag == "E " && part == 3 && value == std::to_string(entry.uidls.size())) {
            entries[*account] = std::move(entry);
            entry = SeenUidls{};
            part = 0;
        } else {
            good = false;
        }
        if (!good) {
            part = 0;
            entry = SeenUidls{};
        }
    }
    return entries;
}

std::string FormatSeenUidlText(const SeenUidlEntries& entries) {
    std::string text(kFileHeader);
    text += '\n';
    for (const auto& [account, entry] : entries) {
        text += "A " + account + "\nM " + entry.mailbox + "\nS " + entry.seenIdsHash + "\n";
        for (const std::string& uidl : entry.uidls)
            text += "U " + uidl + "\n";
        text += "E " + std::to_string(entry.uidls.size()) + "\n";
    }
    return text;
}

std::string SeenUidlPathFor(const std::string& settingsPath) {
    const std::size_t folder = settingsPath.find_last_of("\\/");
    const std::size_t dot = settingsPath.rfind('.');
    if (dot == std::string::npos || (folder != std::string::npos && dot < folder))
        return settingsPath + ".uidl";
    return settingsPath.substr(0, dot) + ".uidl";
}

std::optional<SeenUidls> SeenUidlFile::Load(std::string_view account) {
    std::string bytes;
    if (files_.Read(path_, kMaxFileSize, bytes) != FileRead::kRead)
        return std::nullopt;
    SeenUidlEntries entries = ParseSeenUidlText(bytes);
    auto found = entries.find(Upper(account));
    if (found == entries.end())
        return std::nullopt;
    return std::move(found->second);
}

bool SeenUidlFile::Save(std::string_view account, const SeenUidls& entry,
                        const std::vector<std::string>& accounts) {
    // Read just before the write, so that another program's entries written
    // meanwhile (a second checker on the same file) stay.
    std::string bytes;
    SeenUidlEntries entries;
    if (files_.Read(path_, kMaxFileSize, bytes) == FileRead::kRead)
        entries = ParseSeenUidlText(bytes);
    const std::string name = Upper(account);
    if (name.empty() || !IsPlainLine(name))
        return false;
    entries[name] = entry;
    if (!accounts.empty()) {
        for (auto it = entries.begin(); it != entries.end();) {
            bool listed = false;
            for (const std::string& other : accounts)
                listed = listed || Upper(other) == it->first;
            it = listed ? std::next(it) : entries.erase(it);
        }
    }
    return files_.Replace(path_, FormatSeenUidlText(entries));
}

}  // namespace pell
