#include "mime/mime_headers.h"

#include "mime/anchored_search.h"
#include "mime/charsets.h"
#include "mime/encoded_words.h"
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

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
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

// The RFC 2231 value of `name`, converted, or nothing when it has no such form.
bool Rfc2231Value(const std::vector<MimeParameter>& parameters, std::string_view name,
                  std::string& out) {
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
    std::string bytes;
    std::string charsetLabel;
    bool anyExtended = false;
    for (std::size_t i = 0; i < sections.size() && sections[i].present; ++i) {
        std::string_view value = sections[i].value;
        if (sections[i].extended) {
            anyExtended = true;
            if (i == 0) {
                // charset'language'text
                const std::size_t quote1 = value.find('\'');
                const std::size_t quote2 =
                    quote1 == std::string_view::npos ? quote1 : value.find('\'', quote1 + 1);
                if (quote2 != std::string_view::npos) {
                    charsetLabel.assign(value.substr(0, quote1));
                    value.remove_prefix(quote2 + 1);
                }
            }
            bytes += PercentDecoded(value);
        } else {
            bytes.append(value);
        }
    }
    if (!anyExtended) {
        // Continuations of a plain value, which may hold encoded-words.
        DecodeHeaderText(bytes);
        out = bytes;
        return true;
    }
    const Charset charset = CharsetFromLabel(charsetLabel);
    out.clear();
    AppendCharsetAsCp932(charset, bytes, out);
    return true;
}

}  // namespace

std::string PartFieldValue(std::string_view head, std::string_view name) {
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = FindNoCaseAnchored(head, name, from);
        if (at == kNotFound)
            return {};
        from = at + 1;
        if (at != 0 && head[at - 1] != '\n')
            continue;  // inside another line or a longer name
        std::size_t colon = at + name.size();
        while (colon < head.size() && (head[colon] == ' ' || head[colon] == '\t'))
            ++colon;
        if (colon >= head.size() || head[colon] != ':')
            continue;
        // The field runs to the first line break that no blank follows; its
        // line breaks go.
        std::string value;
        std::size_t i = colon + 1;
        for (;;) {
            std::size_t lineEnd = head.find('\n', i);
            if (lineEnd == std::string_view::npos)
                lineEnd = head.size();
            std::size_t textEnd = lineEnd;
            if (textEnd > i && head[textEnd - 1] == '\r')
                --textEnd;
            value.append(head.substr(i, textEnd - i));
            if (lineEnd + 1 >= head.size() ||
                (head[lineEnd + 1] != ' ' && head[lineEnd + 1] != '\t'))
                return value;
            i = lineEnd + 1;
        }
    }
}

std::vector<MimeParameter> ParseParameters(std::string_view v) {
    std::vector<MimeParameter> parameters;
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
                while (i < n && v[i] != '"') {
                    if (v[i] == '\\' && i + 1 < n)
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
    std::string_view token = Trimmed(fieldValue.substr(0, fieldValue.find(';')));
    token = token.substr(0, token.find_first_of(" \t("));
    if (!token.empty() && token.front() == '"')
        token.remove_prefix(1);
    if (!token.empty() && token.back() == '"')
        token.remove_suffix(1);
    return Lower(token);
}

PartHeaders MakePartHeaders(std::string_view contentType, std::string_view transferEncoding,
                            std::string_view disposition) {
    PartHeaders headers;
    headers.mediaType = LeadingToken(contentType);
    const std::vector<MimeParameter> typeParameters = ParseParameters(contentType);
    headers.charset = ParameterValue(typeParameters, "charset");
    headers.boundary = ParameterValue(typeParameters, "boundary");
    headers.transfer = TransferEncodingFromValue(transferEncoding);
    headers.attachment = LeadingToken(disposition) == "attachment";
    headers.fileName = FileNameParameter(ParseParameters(disposition), "filename");
    if (headers.fileName.empty())
        headers.fileName = FileNameParameter(typeParameters, "name");
    return headers;
}

PartHeaders ReadPartHeaders(std::string_view head) {
    return MakePartHeaders(PartFieldValue(head, "Content-Type"),
                           PartFieldValue(head, "Content-Transfer-Encoding"),
                           PartFieldValue(head, "Content-Disposition"));
}

}  // namespace pell
