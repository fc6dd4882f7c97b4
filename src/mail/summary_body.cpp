#include "mail/summary_body.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "mail/header_fields.h"
#include "mime/anchored_search.h"
#include "mime/charsets.h"
#include "mime/html_text.h"
#include "mime/japanese_encoding.h"
#include "mime/mime_headers.h"
#include "mime/mime_walk.h"
#include "mime/transfer_encoding.h"
#include "mime/unicode_cp932.h"
#include "startup/text_search.h"

namespace pell {
namespace {

void RemoveEscapes(std::string& text) {
    text.erase(std::remove(text.begin(), text.end(), '\x1b'), text.end());
}

// The text as the program always converted it: from ISO-2022-JP, freed of
// stray ESC. Text that runs to the end of the fetched body ends before the line
// break in front of the end marker; a part that a delimiter closes already
// ends before the line break in front of the delimiter.
std::string LegacyConverted(std::string_view text, bool toTheEnd) {
    if (toTheEnd && text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
        text.remove_suffix(2);
    std::string converted;
    AppendJisText(text, converted);
    // A stray ESC (one that began no known shift sequence) would only show as
    // garbage; it is dropped.
    RemoveEscapes(converted);
    return converted;
}

// Text that the program's own conversion shows as it always did.
bool IsLegacyText(const PartHeaders& headers, std::string_view bytes) {
    if (headers.transfer != TransferEncoding::kIdentity || headers.mediaType == "text/html")
        return false;
    if (headers.charset.empty())
        return !HasEightBitBytes(bytes);
    const CharsetKind kind = CharsetFromLabel(headers.charset).kind;
    if (kind == CharsetKind::kIso2022Jp)
        return true;
    return kind == CharsetKind::kUsAscii && !HasEightBitBytes(bytes);
}

// The lines the server sent, as the lines note counts them.
std::size_t FetchedLines(std::string_view fetched) {
    if (fetched.empty())
        return 0;
    if (fetched.size() >= 2 && fetched.compare(fetched.size() - 2, 2, "\r\n") == 0)
        fetched.remove_suffix(2);
    return CountLines(fetched);
}

// Whether a chunk of eight bytes holds a byte below 0x20.
inline bool HasControlByte(std::uint64_t chunk) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    return ((chunk - 0x20 * kOnes) & ~chunk & 0x80 * kOnes) != 0;
}

// Cleans s[i..n) to w, moving both on. In place (`w` no further on than
// s + i) it stops before a lone CR or LF, the one thing that grows, and returns
// false; the chunks are read before they are written.
bool CleanInto(const char* s, std::size_t n, std::size_t& i, char*& w, bool inPlace) {
    while (i < n) {
        // Runs of eight bytes without a control byte are copied as they are
        // (tabs take the slow way).
        while (i + 8 <= n) {
            std::uint64_t chunk;
            std::memcpy(&chunk, s + i, 8);
            if (HasControlByte(chunk))
                break;
            std::memcpy(w, &chunk, 8);
            w += 8;
            i += 8;
        }
        if (i >= n)
            break;
        const char c = s[i];
        if (c == '\r' || c == '\n') {
            const bool pair = c == '\r' && i + 1 < n && s[i + 1] == '\n';
            if (!pair && inPlace)
                return false;
            w[0] = '\r';
            w[1] = '\n';
            w += 2;
            if (pair)
                ++i;
        } else if (c != '\x1b' && c != '\0') {
            *w++ = c;
        }
        ++i;
    }
    return true;
}

void TrimLineEnds(std::string& text, char* end) {
    char* const begin = text.data();
    while (end > begin && (end[-1] == '\r' || end[-1] == '\n' || end[-1] == ' ' || end[-1] == '\t'))
        --end;
    text.resize(static_cast<std::size_t>(end - begin));
}

// Line breaks as CR LF, no ESC or zero bytes, no blank lines at the end.
std::string CleanedText(std::string text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    char* w = text.data();
    if (CleanInto(text.data(), n, i, w, true)) {
        TrimLineEnds(text, w);
        return text;
    }
    // A lone CR or LF grows to two bytes; nothing else grows.
    const std::size_t done = static_cast<std::size_t>(w - text.data());
    std::string grown(done + 2 * (n - i), '\0');
    std::memcpy(grown.data(), text.data(), done);
    char* g = grown.data() + done;
    CleanInto(text.data(), n, i, g, false);
    TrimLineEnds(grown, g);
    return grown;
}

// A text part decoded by its transfer encoding and charset; HTML made text.
std::string DecodedText(const PartHeaders& headers, std::string_view body) {
    std::string decoded;
    std::string_view bytes = body;
    if (headers.transfer != TransferEncoding::kIdentity) {
        decoded = DecodeTransferEncoding(headers.transfer, body);
        bytes = decoded;
    }
    const bool html = headers.mediaType == "text/html";
    std::string declared;
    std::string_view label = headers.charset;
    if (label.empty() && html) {
        declared = HtmlDeclaredCharset(bytes);
        label = declared;
    }
    std::string text;
    AppendCharsetAsCp932(CharsetFromLabel(label), bytes, text, CutTail::kDrop);
    if (html)
        text = HtmlToText(text);
    return CleanedText(std::move(text));
}

// A file name as one line of the list: ISO-2022-JP written raw into it
// converted, no line breaks, tabs or other ESC left in it.
std::string ListedName(std::string_view name) {
    std::string converted;
    if (name.find('\x1b') != std::string_view::npos) {
        AppendJisText(name, converted);
        name = converted;
    }
    std::string shown;
    shown.reserve(name.size());
    for (char c : name) {
        if (c == '\t') {
            shown += ' ';
        } else if (c != '\r' && c != '\n' && c != '\x1b' && c != '\0') {
            shown += c;
        }
    }
    return shown;
}

std::string AttachmentList(const std::vector<MimeLeaf>& leaves) {
    std::string list;
    for (const MimeLeaf& leaf : leaves) {
        if (leaf.headers.fileName.empty())
            continue;
        if (list.size() >= kMaxAttachmentList)
            break;
        list += "\r\n Attach:";
        list += ListedName(leaf.headers.fileName);
    }
    // Cut between characters: half of a Japanese name's last character would
    // show as a broken byte.
    std::size_t kept = 0;
    while (kept < list.size()) {
        const std::size_t length = Cp932CharLength(static_cast<unsigned char>(list[kept]));
        if (kept + length > kMaxAttachmentList)
            break;
        kept += length;
    }
    list.resize(std::min(kept, list.size()));
    return list;
}

bool IsPlainText(const std::string& mediaType) {
    // A part without a Content-Type is plain text.
    return mediaType.empty() || mediaType == "text/plain";
}

// The part the viewer shows: the first plain-text part, else the first HTML
// part, that is not an attachment.
const MimeLeaf* TextLeaf(const std::vector<MimeLeaf>& leaves) {
    for (const MimeLeaf& leaf : leaves) {
        if (IsPlainText(leaf.headers.mediaType) && !leaf.headers.attachment)
            return &leaf;
    }
    for (const MimeLeaf& leaf : leaves) {
        if (leaf.headers.mediaType == "text/html" && !leaf.headers.attachment)
            return &leaf;
    }
    return nullptr;
}

// Whether `part` runs to the end of `text`: no delimiter closed it, the server
// cut the message there.
bool RunsToTheEnd(std::string_view part, std::string_view text) {
    return part.data() + part.size() == text.data() + text.size();
}

BodyText MultipartText(const BodySource& source, const PartHeaders& message) {
    const std::vector<MimeLeaf> leaves = WalkMultipart(source.body, message.boundary);
    const MimeLeaf* leaf = TextLeaf(leaves);
    const std::string list = AttachmentList(leaves);
    if (leaf == nullptr || (leaf->depth == 1 && !leaf->headers.mediaType.empty() &&
                            IsLegacyText(leaf->headers, leaf->body))) {
        const bool cut = leaf == nullptr || RunsToTheEnd(leaf->body, source.body);
        std::string text = leaf == nullptr ? std::string() : LegacyConverted(leaf->body, cut);
        text += list;
        std::size_t lines = CountLines(text);
        // A message cut inside or before its text part gets the note, as a
        // single-part one does: its lines are those the server sent.
        if (cut)
            lines = std::max(lines, FetchedLines(source.body));
        return {std::move(text), lines};
    }
    std::string text = DecodedText(leaf->headers, leaf->body);
    text += list;
    return {std::move(text), FetchedLines(source.body)};
}

BodyText SinglePartText(const BodySource& source, const PartHeaders& message) {
    const std::string_view fetched = source.body;
    if (IsLegacyText(message, fetched)) {
        std::string text = LegacyConverted(fetched, true);
        const std::size_t lines = CountLines(text);
        return {std::move(text), lines};
    }
    const std::string& type = message.mediaType;
    const bool text =
        type.empty() || type.compare(0, 5, "text/") == 0 || type.compare(0, 8, "message/") == 0;
    if (!text && message.transfer != TransferEncoding::kIdentity) {
        // An encoded file sent as the message itself: its name, not its bytes.
        std::string name = FileNameParameter(
            ParseParameters(PartFieldValue(source.head, "Content-Disposition")), "filename");
        if (name.empty())
            name = message.fileName;
        std::string list;
        if (!name.empty())
            list = "\r\n Attach:" + ListedName(name);
        return {std::move(list), FetchedLines(fetched)};
    }
    return {DecodedText(message, fetched), FetchedLines(fetched)};
}

}  // namespace

std::size_t CountLines(std::string_view text) {
    std::size_t lines = 1;
    for (std::size_t at = text.find("\r\n"); at != std::string_view::npos;
         at = text.find("\r\n", at + 2)) {
        ++lines;
    }
    return lines;
}

std::string ListAttachments(std::string_view body, std::string_view boundary) {
    return AttachmentList(WalkMultipart(body, boundary));
}

BodyText ExtractBodyText(const BodySource& source) {
    if (source.body.empty())
        return {{}, 1};
    std::string joined;
    std::string_view typeField = source.contentTypeField;
    if (FindByteOf(typeField, "\r\n") != std::string_view::npos) {
        joined = WithoutLineBreaks(typeField);
        typeField = joined;
    }
    // The message's disposition matters only for a file sent as the message
    // itself; it is looked up there.
    const PartHeaders message = MakePartHeaders(typeField, source.transferEncoding, {});
    // Any type that names "multipart/" before its parameters.
    if (FindNoCaseAnchored(typeField.substr(0, typeField.find(';')), "multipart/") != kNotFound)
        return MultipartText(source, message);
    return SinglePartText(source, message);
}

}  // namespace pell
