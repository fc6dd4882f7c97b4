#include "startup/text_search.h"

#include <cstring>

namespace pell {

std::size_t FindText(std::string_view text, std::string_view pattern, std::size_t from) {
    if (from >= text.size())
        return kNotFound;
    if (pattern.empty())
        return from;
    return text.find(pattern, from);
}

std::size_t FindText(std::string_view text, std::string_view pattern) {
    return FindText(text, pattern, 0);
}

std::size_t FindTextNoCase(std::string_view text, std::string_view pattern, std::size_t from) {
    if (from >= text.size())
        return kNotFound;
    if (pattern.empty())
        return from;
    if (pattern.size() > text.size())
        return kNotFound;
    const char first = AsciiLower(pattern[0]);
    const std::size_t last = text.size() - pattern.size();
    for (std::size_t i = from; i <= last; ++i) {
        if (AsciiLower(text[i]) != first)
            continue;
        std::size_t k = 1;
        while (k < pattern.size() && AsciiLower(text[i + k]) == AsciiLower(pattern[k]))
            ++k;
        if (k == pattern.size())
            return i;
    }
    return kNotFound;
}

std::size_t FindTextNoCase(std::string_view text, std::string_view pattern) {
    return FindTextNoCase(text, pattern, 0);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

}  // namespace pell
