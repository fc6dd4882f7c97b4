#include "mail/message_identity.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "mail/header_fields.h"
#include "mail/md5.h"
#include "startup/text_search.h"

namespace pell {
namespace {

constexpr char kSyntheticMark = '~';
constexpr std::size_t kDigestDigits = 16;

// A field's own bytes, its folding line breaks left out, so that the digest
// does not depend on how the server ends its lines.
std::string RawField(std::string_view head, std::string_view name) {
    std::string value;
    for (char c : CutHeaderValue(FindHeaderValue(head, name))) {
        if (c != '\r' && c != '\n')
            value += c;
    }
    return value;
}

}  // namespace

std::string SyntheticMessageId(std::string_view reply, std::string_view uidl) {
    Md5 md5;
    if (!uidl.empty()) {
        // A mark first, so that no head gives the digest of a UIDL.
        md5.Update("UIDL", 5);
        md5.Update(uidl);
    } else {
        // The head runs from behind the status line (which may differ between
        // TOP and RETR) to the blank line; the body, whose length follows the
        // lines asked for, is not part of it.
        std::string_view head = reply.substr(std::min(reply.size(), reply.find('\n') + 1));
        head = head.substr(0, head.rfind("\r\n", 0) == 0 ? 0 : FindText(head, "\r\n\r\n"));
        // Each part ends with a zero byte, which no field holds, so that moving
        // bytes from one field to the next gives another digest.
        for (const std::string& part :
             {RawField(head, "Date:"), RawField(head, "From:"), RawField(head, "Subject:")}) {
            md5.Update(part);
            md5.Update("", 1);
        }
    }
    const std::array<std::uint8_t, 16> digest = md5.Finish();
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string id(1, kSyntheticMark);
    for (std::size_t i = 0; i < kDigestDigits / 2; ++i) {
        id += kHex[digest[i] >> 4];
        id += kHex[digest[i] & 15];
    }
    return id;
}

bool IsSyntheticMessageId(std::string_view id) {
    if (id.size() != kDigestDigits + 1 || id[0] != kSyntheticMark)
        return false;
    return id.find_first_not_of("0123456789ABCDEF", 1) == std::string_view::npos;
}

bool IsSeenMessage(std::string_view seenIds, std::string_view id) {
    if (id.empty())
        return !seenIds.empty();
    if (!IsSyntheticMessageId(id))
        return FindText(seenIds, id) != kNotFound;
    for (std::size_t at = FindText(seenIds, id); at != kNotFound;
         at = FindText(seenIds, id, at + 1)) {
        const bool starts = at == 0 || seenIds[at - 1] == ',';
        const std::size_t end = at + id.size();
        if (starts && end < seenIds.size() && seenIds[end] == ',')
            return true;
    }
    return false;
}

}  // namespace pell
