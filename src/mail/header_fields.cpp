#include "mail/header_fields.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "mime/anchored_search.h"
#include "startup/text_search.h"

namespace pell {

namespace {

bool SameNoCase(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

// One lookup as the pass over the lines tests it.
struct Pattern {
    std::string_view text;
    char first;   // its first byte in lower case
    bool suffix;  // its only colon ends it, so a match can only end the name
    char last;    // for a suffix of two bytes or more, the byte before the colon in lower case
};

Pattern Prepare(std::string_view text) {
    const bool suffix = !text.empty() && text.find(':') == text.size() - 1;
    return {text, text.empty() ? '\0' : AsciiLower(text[0]), suffix,
            suffix && text.size() >= 2 ? AsciiLower(text[text.size() - 2]) : '\0'};
}

// Whether the field name `name` (up to and with its colon) holds the pattern.
bool NameHolds(std::string_view name, const Pattern& pattern) {
    const std::size_t size = pattern.text.size();
    if (size > name.size())
        return false;
    if (pattern.suffix) {
        const char* tail = name.data() + name.size() - size;
        return AsciiLower(tail[0]) == pattern.first && SameNoCase(tail, pattern.text.data(), size);
    }
    if (size == 0)
        return true;
    for (std::size_t i = 0; i + size <= name.size(); ++i) {
        if (AsciiLower(name[i]) == pattern.first &&
            SameNoCase(name.data() + i, pattern.text.data(), size))
            return true;
    }
    return false;
}

// Whether the field name (up to and with its colon) is the pattern, blanks
// before the colon aside.
bool IsWholeName(std::string_view name, const Pattern& pattern) {
    std::size_t size = name.size() - 1;
    while (size > 0 && (name[size - 1] == ' ' || name[size - 1] == '\t'))
        --size;
    return size == pattern.text.size() && SameNoCase(name.data(), pattern.text.data(), size);
}

constexpr std::size_t kLookupsPerPass = 16;

void FindSomeHeaderValues(std::string_view head, HeaderLookup* lookups, std::size_t count) {
    static_assert(kLookupsPerPass <= 16, "one bit per lookup");
    Pattern patterns[kLookupsPerPass];
    // The lookups worth testing on a name: a suffix pattern only where the byte
    // before the colon is its own, a whole name only where the first byte is,
    // the others always.
    std::uint16_t byLast[256] = {};
    std::uint16_t byFirst[256] = {};
    std::uint16_t always = 0;
    for (std::size_t k = 0; k < count; ++k) {
        lookups[k].value = {};
        lookups[k].found = false;
        patterns[k] = Prepare(lookups[k].name);
        const auto bit = static_cast<std::uint16_t>(1u << k);
        if (lookups[k].wholeName && !patterns[k].text.empty()) {
            // Both letter cases: the line's first byte is not folded.
            const char first = patterns[k].first;
            byFirst[static_cast<unsigned char>(first)] |= bit;
            byFirst[static_cast<unsigned char>(AsciiUpper(first))] |= bit;
        } else if (patterns[k].suffix && patterns[k].text.size() >= 2) {
            byLast[static_cast<unsigned char>(patterns[k].last)] |= bit;
        } else {
            always |= bit;
        }
    }
    std::uint16_t open = static_cast<std::uint16_t>((1u << count) - 1);
    const char* const base = head.data();
    const std::size_t n = head.size();
    std::size_t at = 0;
    while (at < n && open > 0) {
        const void* newline = std::memchr(base + at, '\n', n - at);
        const std::size_t lineEnd =
            newline == nullptr ? n
                               : static_cast<std::size_t>(static_cast<const char*>(newline) - base);
        const bool continuation = base[at] == ' ' || base[at] == '\t';
        const void* colonAt = continuation ? nullptr : std::memchr(base + at, ':', lineEnd - at);
        if (colonAt != nullptr) {
            const std::size_t colon =
                static_cast<std::size_t>(static_cast<const char*>(colonAt) - base);
            const std::string_view name = head.substr(at, colon + 1 - at);
            const char beforeColon = name.size() >= 2 ? AsciiLower(name[name.size() - 2]) : '\0';
            std::uint16_t candidates =
                open & (always | byLast[static_cast<unsigned char>(beforeColon)] |
                        byFirst[static_cast<unsigned char>(name[0])]);
            for (; candidates != 0;
                 candidates = static_cast<std::uint16_t>(candidates & (candidates - 1))) {
                const auto k = static_cast<std::size_t>(__builtin_ctz(candidates));
                HeaderLookup& lookup = lookups[k];
                const Pattern& pattern = patterns[k];
                if (lookup.wholeName ? !IsWholeName(name, pattern) : !NameHolds(name, pattern))
                    continue;
                lookup.line = at;
                lookup.found = true;
                open = static_cast<std::uint16_t>(open & ~(1u << k));
                std::size_t start = colon + 1;
                // One blank belongs to the separator; a value written right
                // after the colon (or an empty value ending the line) keeps all
                // of its bytes.
                if (start < n && (head[start] == ' ' || head[start] == '\t'))
                    ++start;
                lookup.value = head.substr(start);
            }
        }
        at = lineEnd + 1;
    }
}

}  // namespace

void FindHeaderValues(std::string_view head, HeaderLookup* lookups, std::size_t count) {
    for (std::size_t done = 0; done < count; done += kLookupsPerPass)
        FindSomeHeaderValues(head, lookups + done, std::min(kLookupsPerPass, count - done));
}

std::string_view FindHeaderValue(std::string_view head, std::string_view name) {
    bool found;
    return FindHeaderValue(head, name, found);
}

std::string_view FindHeaderValue(std::string_view head, std::string_view name, bool& found) {
    HeaderLookup lookup{name, {}, false, false, 0};
    FindHeaderValues(head, &lookup, 1);
    found = lookup.found;
    return lookup.value;
}

std::string_view CutHeaderValue(std::string_view value) {
    std::size_t pos = value.find("\r\n");
    while (pos != std::string_view::npos) {
        if (pos + 2 >= value.size())
            return value;
        const char next = value[pos + 2];
        if (next != ' ' && next != '\t')
            return value.substr(0, pos);
        pos = value.find("\r\n", pos + 2);
    }
    return value;
}

std::string UnfoldHeaderValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    std::size_t from = 0;
    for (std::size_t at = value.find("\r\n"); at != std::string_view::npos;
         at = value.find("\r\n", at + 1)) {
        if (at + 2 < value.size() && (value[at + 2] == ' ' || value[at + 2] == '\t')) {
            out.append(value.data() + from, at - from);
            out += ' ';
            from = at + 3;
            at += 2;
        }
    }
    out.append(value.data() + from, value.size() - from);
    return out;
}

std::string WithoutLineBreaks(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    std::size_t from = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' || value[i] == '\n') {
            out.append(value.data() + from, i - from);
            from = i + 1;
        }
    }
    out.append(value.data() + from, value.size() - from);
    return out;
}

std::string_view StripQuotes(std::string_view value) {
    if (!value.empty() && value.front() == '"')
        value.remove_prefix(1);
    const std::size_t quote = value.find('"');
    return quote == std::string_view::npos ? value : value.substr(0, quote);
}

}  // namespace pell
