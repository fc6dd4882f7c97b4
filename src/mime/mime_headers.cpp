#include "mime/mime_headers.h"

#include "mime/anchored_search.h"
#include "mime/charsets.h"
#include "mime/encoded_words.h"
#include "mime/transfer_encoding.h"
#include "startup/text_search.h"

namespace pell {
namespace {

// RFC 2231 sections beyond this are ignored; real names need a handful.
constexpr std::size_t kMaxSections = 100;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first]))
        ++first;
    std::size_t last = text.size();
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = AsciiLower(c);
    return lower;
}

std::string PercentDecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// One section of an RFC 2231 value: "name*" (section -1), "name*N" or "name*N*".
struct Section {
    bool present = false;
    bool extended = false;
    std::string_view value;
};

// The section number of `parameter` for base `name`, -1 for "name*", -2 for
// no section of that name.
int SectionOf(std::string_view parameter, std::string_view name, bool& extended) {
    if (parameter.size() <= name.size() || parameter.compare(0, name.size(), name) != 0 ||
        parameter[name.size()] != '*')
        return -2;
    std::string_view rest = parameter.substr(name.size() + 1);
    extended = !rest.empty() && rest.back() == '*';
    if (extended)
        rest.remove_suffix(1);
    if (rest.empty())
        return extended ? -2 : -1;  // "name**" is nothing; "name*" is one extended value
    if (rest.size() > 3 || rest.find_first_not_of("0123456789") != std::string_view::npos)
        return -2;
    return std::stoi(std::string(rest));
}

// The RFC 2231 form of `name`: its sections' bytes joined (percent-decoded
// where extended), the charset label of its first section, and whether any
// section was extended. Nothing when the parameters have no such form.
struct Rfc2231Form {
    std::string bytes;
    std::string charsetLabel;
    bool extended = false;
};

bool FindRfc2231(const std::vector<MimeParameter>& parameters, std::string_view name,
                 Rfc2231Form& form) {
    std::vector<Section> sections;
    bool single = false;
    Section whole;
    for (const MimeParameter& p : parameters) {
        bool extended = false;
        const int number = SectionOf(p.name, name, extended);
        if (number == -1 && !single) {
            single = true;
            whole = {true, true, p.value};
        } else if (number >= 0 && static_cast<std::size_t>(number) < kMaxSections) {
            if (sections.size() <= static_cast<std::size_t>(number))
                sections.resize(static_cast<std::size_t>(number) + 1);
            if (!sections[number].present)
                sections[number] = {true, extended, p.value};
        }
    }
    if (!single && (sections.empty() || !sections[0].present))
        return false;
    if (single) {
        sections.assign(1, whole);
    }
    for (std::size_t i = 0; i < sections.size() && sections[i].present; ++i) {
        std::string_view value = sections[i].value;
        if (sections[i].extended) {
            form.extended = true;
            if (i == 0) {
                // charset'language'text
                const std::size_t quote1 = value.find('\'');
                const std::size_t quote2 =
                    quote1 == std::string_view::npos ? quote1 : value.find('\'', quote1 + 1);
                if (quote2 != std::string_view::npos) {
                    form.charsetLabel.assign(value.substr(0, quote1));
                    value.remove_prefix(quote2 + 1);
                }
            }
            form.bytes += PercentDecoded(value);
        } else {
            form.bytes.append(value);
        }
    }
    return true;
}

// The RFC 2231 value of `name`, converted, or nothing when it has no such form.
bool Rfc2231Value(const std::vector<MimeParameter>& parameters, std::string_view name,
                  std::string& out) {
    Rfc2231Form form;
    if (!FindRfc2231(parameters, name, form))
        return false;
    if (!form.extended) {
        // Continuations of a plain value, which may hold encoded-words.
        DecodeHeaderText(form.bytes);
        out = std::move(form.bytes);
        return true;
    }
    out.clear();
    AppendCharsetAsCp932(CharsetFromLabel(form.charsetLabel), form.bytes, out);
    return true;
}

}  // namespace

namespace {

// When the line at `at` is the field `name` (any letter case, then blanks and
// a colon), its value with the line breaks of its continuation lines removed:
// a view into the head for a field of one line, else joined into `joined`.
bool ReadFieldAt(std::string_view head, std::size_t at, std::string_view name, std::string& joined,
                 std::string_view& value) {
    if (head.size() - at < name.size())
        return false;
    for (std::size_t k = 0; k < name.size(); ++k) {
        if (AsciiLower(head[at + k]) != AsciiLower(name[k]))
            return false;
    }
    std::size_t colon = at + name.size();
    while (colon < head.size() && (head[colon] == ' ' || head[colon] == '\t'))
        ++colon;
    if (colon >= head.size() || head[colon] != ':')
        return false;
    // The field runs to the first line break that no blank follows; its line
    // breaks go.
    bool folded = false;
    std::size_t i = colon + 1;
    for (;;) {
        std::size_t lineEnd = head.find('\n', i);
        if (lineEnd == std::string_view::npos)
            lineEnd = head.size();
        std::size_t textEnd = lineEnd;
        if (textEnd > i && head[textEnd - 1] == '\r')
            --textEnd;
        const bool last =
            lineEnd + 1 >= head.size() || (head[lineEnd + 1] != ' ' && head[lineEnd + 1] != '\t');
        if (last && !folded) {
            value = head.substr(i, textEnd - i);
            return true;
        }
        if (!folded) {
            joined.clear();
            folded = true;
        }
        joined.append(head.substr(i, textEnd - i));
        if (last) {
            value = joined;
            return true;
        }
        i = lineEnd + 1;
    }
}

// The start of the line behind the one at `at`, or the size of the head.
std::size_t NextLine(std::string_view head, std::size_t at) {
    const std::size_t lineEnd = head.find('\n', at);
    return lineEnd == std::string_view::npos ? head.size() : lineEnd + 1;
}

// The leading token of a field value as written (see LeadingToken).
std::string_view LeadingTokenView(std::string_view fieldValue) {
    std::string_view token = Trimmed(fieldValue.substr(0, fieldValue.find(';')));
    token = token.substr(0, FindByteOf(token, " \t("));
    if (!token.empty() && token.front() == '"')
        token.remove_prefix(1);
    if (!token.empty() && token.back() == '"')
        token.remove_suffix(1);
    return token;
}

}  // namespace

std::string PartFieldValue(std::string_view head, std::string_view name) {
    std::string joined;
    std::string_view value;
    for (std::size_t at = 0; at < head.size(); at = NextLine(head, at)) {
        if (!name.empty() && AsciiLower(head[at]) != AsciiLower(name[0]))
            continue;
        if (ReadFieldAt(head, at, name, joined, value))
            return std::string(value);
    }
    return {};
}

std::vector<MimeParameter> ParseParameters(std::string_view v) {
    std::vector<MimeParameter> parameters;
    if (v.find(';') == std::string_view::npos)
        return parameters;
    parameters.reserve(4);
    std::size_t i = 0;
    const std::size_t n = v.size();
    // The type itself, up to the first ";" outside quotes.
    bool quoted = false;
    while (i < n && (quoted || v[i] != ';')) {
        if (v[i] == '"')
            quoted = !quoted;
        ++i;
    }
    while (i < n && parameters.size() < kMaxParameters) {
        while (i < n && (v[i] == ';' || IsBlank(v[i])))
            ++i;
        const std::size_t nameStart = i;
        while (i < n && v[i] != '=' && v[i] != ';')
            ++i;
        MimeParameter parameter;
        parameter.name = Lower(Trimmed(v.substr(nameStart, i - nameStart)));
        if (i < n && v[i] == '=') {
            ++i;
            while (i < n && IsBlank(v[i]))
                ++i;
            if (i < n && v[i] == '"') {
                ++i;
                for (;;) {
                    std::size_t stop = i;
                    while (stop < n && v[stop] != '"' && v[stop] != '\\')
                        ++stop;
                    parameter.value.append(v.substr(i, stop - i));
                    i = stop;
                    if (i >= n || v[i] == '"')
                        break;
                    // A backslash stands for the byte behind it.
                    if (i + 1 < n)
                        ++i;
                    parameter.value += v[i++];
                }
                // Whatever stands between the closing quote and the next ";" goes.
                while (i < n && v[i] != ';')
                    ++i;
            } else {
                const std::size_t valueStart = i;
                while (i < n && v[i] != ';')
                    ++i;
                parameter.value.assign(Trimmed(v.substr(valueStart, i - valueStart)));
            }
        }
        if (!parameter.name.empty())
            parameters.push_back(std::move(parameter));
    }
    return parameters;
}

std::string ParameterValue(const std::vector<MimeParameter>& parameters, std::string_view name) {
    for (const MimeParameter& p : parameters) {
        if (p.name == name)
            return p.value;
    }
    return {};
}

std::string FileNameParameter(const std::vector<MimeParameter>& parameters, std::string_view name) {
    std::string text;
    if (Rfc2231Value(parameters, name, text))
        return text;
    for (const MimeParameter& p : parameters) {
        if (p.name == name) {
            text = p.value;
            DecodeHeaderText(text);
            return text;
        }
    }
    return {};
}

std::string LeadingToken(std::string_view fieldValue) {
    return Lower(LeadingTokenView(fieldValue));
}

PartHeaders MakePartHeaders(std::string_view contentType, std::string_view transferEncoding,
                            std::string_view disposition) {
    PartHeaders headers;
    headers.mediaType = LeadingToken(contentType);
    std::vector<MimeParameter> typeParameters = ParseParameters(contentType);
    headers.transfer = TransferEncodingFromValue(transferEncoding);
    headers.attachment = EqualsNoCase(LeadingTokenView(disposition), "attachment");
    const std::vector<MimeParameter> dispositionParameters = ParseParameters(disposition);
    if (!dispositionParameters.empty())
        headers.fileName = FileNameParameter(dispositionParameters, "filename");
    if (headers.fileName.empty() && !typeParameters.empty())
        headers.fileName = FileNameParameter(typeParameters, "name");
    // The first of each name, taken over once the name has been read.
    bool charsetTaken = false;
    bool boundaryTaken = false;
    for (MimeParameter& p : typeParameters) {
        if (!charsetTaken && p.name == "charset") {
            headers.charset = std::move(p.value);
            charsetTaken = true;
        } else if (!boundaryTaken && p.name == "boundary") {
            headers.boundary = std::move(p.value);
            boundaryTaken = true;
        }
    }
    // A boundary written in the RFC 2231 form is the bytes it stands for, in
    // whatever charset it names.
    Rfc2231Form form;
    if (!boundaryTaken && FindRfc2231(typeParameters, "boundary", form))
        headers.boundary = std::move(form.bytes);
    return headers;
}

PartHeaders ReadPartHeaders(std::string_view head) {
    // The three fields in one pass over the lines; the first of each counts.
    constexpr std::string_view kNames[3] = {"Content-Type", "Content-Transfer-Encoding",
                                            "Content-Disposition"};
    std::string joined[3];
    std::string_view values[3];
    bool found[3] = {false, false, false};
    for (std::size_t at = 0; at < head.size(); at = NextLine(head, at)) {
        if (AsciiLower(head[at]) != 'c')
            continue;
        for (int k = 0; k < 3; ++k) {
            if (!found[k] && ReadFieldAt(head, at, kNames[k], joined[k], values[k])) {
                found[k] = true;
                break;
            }
        }
        if (found[0] && found[1] && found[2])
            break;
    }
    return MakePartHeaders(values[0], values[1], values[2]);
}

}  // namespace pell
