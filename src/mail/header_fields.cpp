#include "mail/header_fields.h"

#include "mime/anchored_search.h"
#include "startup/text_search.h"

namespace pell {

std::string_view FindHeaderValue(std::string_view head, std::string_view name) {
    bool found;
    return FindHeaderValue(head, name, found);
}

std::string_view FindHeaderValue(std::string_view head, std::string_view name, bool& found) {
    const std::size_t at = FindNoCaseAnchored(head, name);
    found = at != kNotFound;
    if (!found)
        return {};
    const std::size_t colon = head.find(':', at);
    if (colon == std::string_view::npos)
        return {};
    std::size_t start = colon + 1;
    // One blank belongs to the separator; a value written right after the colon
    // (or an empty value ending the line) keeps all of its bytes.
    if (start < head.size() && (head[start] == ' ' || head[start] == '\t'))
        ++start;
    return head.substr(start);
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
