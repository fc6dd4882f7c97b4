#include "mime/anchored_search.h"

#include <cstring>

#include "startup/text_search.h"

namespace pell {
namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool MatchesNoCase(const char* at, std::string_view pattern) {
    for (std::size_t k = 0; k < pattern.size(); ++k) {
        if (AsciiLower(at[k]) != AsciiLower(pattern[k]))
            return false;
    }
    return true;
}

// The first start at or behind `from` where `matches` accepts the pattern,
// trying only the places where the byte at `anchor` of the pattern stands.
// Candidate starts come in increasing order, so the first match is the first
// occurrence. The caller has checked that the pattern fits behind `from`.
template <typename Matches>
std::size_t FindFromAnchor(std::string_view text, std::string_view pattern, std::size_t anchor,
                           std::size_t from, Matches matches) {
    const char key = pattern[anchor];
    const char* const base = text.data();
    const char* p = base + from + anchor;
    const char* const last = base + (text.size() - pattern.size()) + anchor;
    while (p <= last) {
        p = static_cast<const char*>(std::memchr(p, key, static_cast<std::size_t>(last - p) + 1));
        if (p == nullptr)
            return kNotFound;
        const char* start = p - anchor;
        if (matches(start))
            return static_cast<std::size_t>(start - base);
        ++p;
    }
    return kNotFound;
}

}  // namespace

std::size_t FindNoCaseAnchored(std::string_view text, std::string_view pattern, std::size_t from) {
    if (from >= text.size())
        return kNotFound;
    if (pattern.empty())
        return from;
    if (pattern.size() > text.size() - from)
        return kNotFound;
    std::size_t anchor = pattern.size();
    while (anchor > 0 && IsAsciiLetter(pattern[anchor - 1]))
        --anchor;
    if (anchor == 0)
        return FindTextNoCase(text, pattern, from);
    return FindFromAnchor(text, pattern, anchor - 1, from,
                          [pattern](const char* at) { return MatchesNoCase(at, pattern); });
}

std::size_t FindExactAnchored(std::string_view text, std::string_view pattern, std::size_t anchor,
                              std::size_t from) {
    if (from >= text.size() || pattern.size() > text.size() - from || anchor >= pattern.size())
        return kNotFound;
    return FindFromAnchor(text, pattern, anchor, from, [pattern](const char* at) {
        return std::memcmp(at, pattern.data(), pattern.size()) == 0;
    });
}

}  // namespace pell
