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
    --anchor;
    // Candidate starts come in increasing order, so the first match is the
    // first occurrence.
    const char key = pattern[anchor];
    const char* const base = text.data();
    const char* p = base + from + anchor;
    const char* const last = base + (text.size() - pattern.size()) + anchor;
    while (p <= last) {
        p = static_cast<const char*>(std::memchr(p, key, static_cast<std::size_t>(last - p) + 1));
        if (p == nullptr)
            return kNotFound;
        const char* start = p - anchor;
        if (MatchesNoCase(start, pattern))
            return static_cast<std::size_t>(start - base);
        ++p;
    }
    return kNotFound;
}

}  // namespace pell
