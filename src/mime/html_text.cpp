#include "mime/html_text.h"

#include <algorithm>
#include <cstdint>

#include "mime/unicode_cp932.h"
#include "startup/text_search.h"

namespace pell {
namespace {

// A tag name longer than this is no tag this converter acts on.
constexpr std::size_t kMaxTagName = 10;
// An entity longer than this (between "&" and ";") is left as text.
constexpr std::size_t kMaxEntity = 32;
// Only the first bytes of a document are searched for its charset.
constexpr std::size_t kCharsetSearch = 4096;

struct NamedEntity {
    std::string_view name;
    char32_t scalar;
};
constexpr NamedEntity kEntities[] = {
    {"amp", '&'},       {"lt", '<'},        {"gt", '>'},        {"quot", '"'},
    {"apos", '\''},     {"nbsp", ' '},      {"ensp", ' '},      {"emsp", ' '},
    {"thinsp", ' '},    {"shy", 0x00AD},    {"zwnj", 0x200C},   {"zwj", 0x200D},
    {"copy", 0x00A9},   {"reg", 0x00AE},    {"trade", 0x2122},  {"yen", 0x00A5},
    {"cent", 0x00A2},   {"pound", 0x00A3},  {"euro", 0x20AC},   {"sect", 0x00A7},
    {"para", 0x00B6},   {"deg", 0x00B0},    {"plusmn", 0x00B1}, {"times", 0x00D7},
    {"divide", 0x00F7}, {"middot", 0x00B7}, {"bull", 0x2022},   {"hellip", 0x2026},
    {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},  {"rsquo", 0x2019},
    {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"laquo", 0x00AB},  {"raquo", 0x00BB},
    {"larr", 0x2190},   {"rarr", 0x2192},   {"uarr", 0x2191},   {"darr", 0x2193},
    {"hearts", 0x2665}, {"check", 0x2713},  {"dagger", 0x2020}, {"prime", 0x2032},
    {"minus", 0x2212},  {"ne", 0x2260},     {"le", 0x2264},     {"ge", 0x2265},
    {"infin", 0x221E},  {"acute", 0x00B4},  {"uml", 0x00A8},    {"not", 0x00AC},
};

// Tags whose contents are not text at all.
constexpr std::string_view kHiddenTags[] = {"script", "style", "head", "title"};
// Tags that begin or end a paragraph: an empty line around them.
constexpr std::string_view kParagraphTags[] = {"p",  "h1", "h2", "h3",    "h4",         "h5",
                                               "h6", "ul", "ol", "table", "blockquote", "hr"};
// Tags that begin or end a line.
constexpr std::string_view kLineTags[] = {"div",    "li",      "tr",      "dt",     "dd",
                                          "center", "section", "article", "header", "footer"};

template <std::size_t N>
bool IsOneOf(std::string_view name, const std::string_view (&names)[N]) {
    for (std::string_view candidate : names) {
        if (name == candidate)
            return true;
    }
    return false;
}

bool IsAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsHtmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

class TextWriter {
  public:
    explicit TextWriter(std::size_t reserve) { out_.reserve(reserve); }

    void Blank() { pendingBlank_ = true; }

    void LineBreak() {
        // At most one empty line in a row, and none before the text.
        if (out_.empty() || breaks_ >= 2)
            return;
        out_ += "\r\n";
        ++breaks_;
        pendingBlank_ = false;
    }
    void EndLine() {
        if (breaks_ == 0)
            LineBreak();
    }
    void EndParagraph() {
        EndLine();
        LineBreak();
    }

    void Text(std::string_view bytes) {
        if (pendingBlank_ && breaks_ == 0 && !out_.empty())
            out_ += ' ';
        pendingBlank_ = false;
        out_.append(bytes);
        breaks_ = 0;
    }
    void Scalar(char32_t scalar) {
        std::string bytes;
        AppendScalarAsCp932(scalar, bytes);
        if (!bytes.empty())
            Text(bytes);
    }

    std::string Finish() {
        while (!out_.empty() && (out_.back() == '\r' || out_.back() == '\n' || out_.back() == ' '))
            out_.pop_back();
        return std::move(out_);
    }

  private:
    std::string out_;
    int breaks_ = 0;  // CR LF pairs at the end of the text
    bool pendingBlank_ = false;
};

// The character of the entity at html[i] ("&..."), and the bytes it spans;
// false when no entity this converter knows starts there.
bool ReadEntity(std::string_view html, std::size_t i, char32_t& scalar, std::size_t& length) {
    const std::size_t limit = std::min(html.size(), i + 2 + kMaxEntity);
    std::size_t semicolon = i + 1;
    while (semicolon < limit && html[semicolon] != ';' && html[semicolon] != '&' &&
           !IsHtmlBlank(html[semicolon]) && html[semicolon] != '<')
        ++semicolon;
    if (semicolon >= limit || html[semicolon] != ';')
        return false;
    const std::string_view name = html.substr(i + 1, semicolon - i - 1);
    length = semicolon - i + 1;
    if (name.size() >= 2 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty())
            return false;
        std::uint32_t value = 0;
        for (char c : digits) {
            int d;
            if (c >= '0' && c <= '9') {
                d = c - '0';
            } else if (hex && c >= 'a' && c <= 'f') {
                d = c - 'a' + 10;
            } else if (hex && c >= 'A' && c <= 'F') {
                d = c - 'A' + 10;
            } else {
                return false;
            }
            // Anything beyond the last code point is no character; stop counting.
            if (value <= 0x10FFFF)
                value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
        }
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            value = 0xFFFD;
        scalar = value;
        return true;
    }
    for (const NamedEntity& entity : kEntities) {
        if (name == entity.name) {
            scalar = entity.scalar;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string HtmlToText(std::string_view html) {
    TextWriter writer(html.size() / 2);
    const std::size_t n = html.size();
    bool pre = false;
    std::size_t i = 0;
    while (i < n) {
        const char c = html[i];
        if (c == '<') {
            if (html.compare(i, 4, "<!--") == 0) {
                const std::size_t end = html.find("-->", i + 4);
                if (end == std::string_view::npos)
                    break;
                i = end + 3;
                continue;
            }
            std::size_t j = i + 1;
            const bool closing = j < n && html[j] == '/';
            if (closing)
                ++j;
            const std::size_t nameStart = j;
            while (j < n && IsAsciiAlnum(html[j]))
                ++j;
            const bool declaration = j < n && j == nameStart && (html[j] == '!' || html[j] == '?');
            if (j == nameStart && !declaration) {
                writer.Text("<");  // a "<" that begins no tag, as in "a < b"
                ++i;
                continue;
            }
            // The tag ends at the first ">" outside quoted attribute values.
            char quote = 0;
            std::size_t end = j;
            while (end < n && (quote != 0 || html[end] != '>')) {
                if (quote != 0) {
                    if (html[end] == quote)
                        quote = 0;
                } else if ((html[end] == '"' || html[end] == '\'') && end > j &&
                           html[end - 1] == '=') {
                    quote = html[end];
                }
                ++end;
            }
            if (end >= n)
                break;
            std::string name;
            if (j - nameStart <= kMaxTagName) {
                for (std::size_t k = nameStart; k < j; ++k)
                    name += AsciiLower(html[k]);
            }
            i = end + 1;
            if (!closing && IsOneOf(name, kHiddenTags)) {
                const std::size_t close = FindTextNoCase(html, "</" + name, i);
                if (close == kNotFound)
                    break;
                const std::size_t closeEnd = html.find('>', close);
                if (closeEnd == std::string_view::npos)
                    break;
                i = closeEnd + 1;
                continue;
            }
            if (name == "br") {
                writer.LineBreak();
            } else if (IsOneOf(name, kParagraphTags)) {
                writer.EndParagraph();
            } else if (IsOneOf(name, kLineTags)) {
                writer.EndLine();
            } else if (name == "td" || name == "th") {
                writer.Blank();
            } else if (name == "pre") {
                pre = !closing;
                writer.EndLine();
            }
            continue;
        }
        if (c == '&') {
            char32_t scalar = 0;
            std::size_t length = 0;
            if (ReadEntity(html, i, scalar, length)) {
                writer.Scalar(scalar);
                i += length;
                continue;
            }
            writer.Text("&");
            ++i;
            continue;
        }
        if (IsHtmlBlank(c)) {
            if (!pre) {
                writer.Blank();
            } else if (c == '\n') {
                writer.LineBreak();
            } else if (c != '\r') {
                writer.Text(html.substr(i, 1));
            }
            ++i;
            continue;
        }
        // Text up to the next byte that means something; the second byte of a
        // Shift_JIS character is never one of those.
        std::size_t end = i;
        while (end < n && html[end] != '<' && html[end] != '&' && !IsHtmlBlank(html[end])) {
            end += Cp932CharLength(static_cast<unsigned char>(html[end]));
        }
        if (end > n)
            end = n;
        writer.Text(html.substr(i, end - i));
        i = end;
    }
    return writer.Finish();
}

std::string HtmlDeclaredCharset(std::string_view html) {
    const std::string_view start = html.substr(0, kCharsetSearch);
    const std::size_t at = FindTextNoCase(start, "charset=");
    if (at == kNotFound)
        return {};
    std::size_t i = at + 8;
    while (i < start.size() && (start[i] == '"' || start[i] == '\'' || start[i] == ' '))
        ++i;
    const std::size_t first = i;
    while (i < start.size() && (IsAsciiAlnum(start[i]) || start[i] == '-' || start[i] == '_' ||
                                start[i] == '.' || start[i] == ':'))
        ++i;
    return std::string(start.substr(first, i - first));
}

}  // namespace pell
