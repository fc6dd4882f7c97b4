#include "mail/header_fields.h"

#include <cstring>

#include "mime/anchored_search.h"
#include "startup/text_search.h"

namespace pell {

namespace {

bool ContainsNoCase(std::string_view text, std::string_view pattern) {
    if (pattern.empty())
        return true;
    if (pattern.size() > text.size())
        return false;
    const char first = AsciiLower(pattern[0]);
    for (std::size_t i = 0; i + pattern.size() <= text.size(); ++i) {
        if (AsciiLower(text[i]) == first && EqualsNoCase(text.substr(i, pattern.size()), pattern))
            return true;
    }
    return false;
}

// Whether the field name `name` (up to and with its colon) holds `pattern`.
bool NameHolds(std::string_view name, std::string_view pattern) {
    // A pattern whose only colon ends it can only end where the name does.
    if (!pattern.empty() && pattern.find(':') == pattern.size() - 1) {
        if (pattern.size() > name.size())
            return false;
        const std::string_view tail = name.substr(name.size() - pattern.size());
        return AsciiLower(tail[0]) == AsciiLower(pattern[0]) && EqualsNoCase(tail, pattern);
    }
    return ContainsNoCase(name, pattern);
}

}  // namespace

void FindHeaderValues(std::string_view head, HeaderLookup* lookups, std::size_t count) {
    std::size_t open = count;
    for (std::size_t k = 0; k < count; ++k) {
        lookups[k].value = {};
        lookups[k].found = false;
    }
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
            for (std::size_t k = 0; k < count; ++k) {
                HeaderLookup& lookup = lookups[k];
                if (lookup.found || !NameHolds(name, lookup.name))
                    continue;
                lookup.found = true;
                --open;
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

std::string_view FindHeaderValue(std::string_view head, std::string_view name) {
    bool found;
    return FindHeaderValue(head, name, found);
}

std::string_view FindHeaderValue(std::string_view head, std::string_view name, bool& found) {
    HeaderLookup lookup{name, {}, false};
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
    if (value.find("\r\n ") == std::string_view::npos)
        return std::string(value);
    std::string out;
    out.reserve(value.size());
    std::size_t i = 0;
    while (i < value.size()) {
        if (value[i] == '\r' && i + 2 < value.size() && value[i + 1] == '\n' &&
            value[i + 2] == ' ') {
            out += ' ';
            i += 3;
        } else {
            out += value[i++];
        }
    }
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
