// Turns one TOP or RETR reply into the Message-ID and the texts of its summary.
#include <algorithm>
#include <charconv>
#include <cstring>

#include "mail/header_fields.h"
#include "mail/mail_summary.h"
#include "mail/summary_body.h"
#include "mail/summary_date.h"
#include "mime/anchored_search.h"
#include "mime/charsets.h"
#include "mime/encoded_words.h"
#include "mime/japanese_encoding.h"
#include "mime/mime_headers.h"
#include "startup/text_search.h"

namespace pell {
namespace {

constexpr char kEsc = '\x1b';

// The lines of `text` behind its first line as the message has them: up to
// the end marker line (without it), each line that the server dot-stuffed
// without its first dot. A view into the text, or into `unstuffed` when a line
// had a dot to drop.
std::string_view Unstuffed(std::string_view text, std::string& unstuffed) {
    const char* const base = text.data();
    const std::size_t n = text.size();
    bool stuffed = false;
    std::size_t copied = 0;  // what of the text `unstuffed` holds
    for (const void* newline = n == 0 ? nullptr : std::memchr(base, '\n', n); newline != nullptr;) {
        const std::size_t line =
            static_cast<std::size_t>(static_cast<const char*>(newline) - base) + 1;
        newline = line < n ? std::memchr(base + line, '\n', n - line) : nullptr;
        if (line >= n || base[line] != '.')
            continue;
        // A line of one dot ends the reply; any other line starting with a dot
        // had one added.
        const std::size_t rest = line + 1;
        if (rest == n || base[rest] == '\n' ||
            (base[rest] == '\r' && (rest + 1 == n || base[rest + 1] == '\n'))) {
            if (!stuffed)
                return text.substr(0, line);
            unstuffed.append(text.substr(copied, line - copied));
            return unstuffed;
        }
        if (!stuffed) {
            stuffed = true;
            unstuffed.clear();
            unstuffed.reserve(n);
        }
        unstuffed.append(text.substr(copied, line - copied));
        copied = rest;
    }
    if (!stuffed)
        return text;
    unstuffed.append(text.substr(copied));
    return unstuffed;
}

struct MessageParts {
    std::string_view head;  // from the status line up to the blank line
    std::string_view body;  // behind the blank line, up to the end marker
};

// The first CR LF CR LF, found from one LF to the next.
std::size_t FindBlankLine(std::string_view text) {
    return FindExactAnchored(text, "\r\n\r\n", 1);
}

// A multi-line reply (the server's status line, the dot-stuffed lines of the
// message, the end marker) split into the message's head and body as the
// message has them. The reply is a text: a zero byte from the server ends it.
// A head line never starts with a dot, so only the body is unstuffed, unless
// the reply has no blank line: then the end marker ends the head.
MessageParts SplitReply(std::string_view reply, std::string& unstuffed) {
    reply = TextBeforeZero(reply);
    const std::size_t blank = FindBlankLine(reply);
    if (blank != kNotFound) {
        // From the line break that ends the head's last line, so that the
        // body's first line is read like the others.
        const std::string_view body = Unstuffed(reply.substr(blank + 2), unstuffed);
        return {reply.substr(0, blank), body.substr(2)};
    }
    // A head without a body: its last field ends with the line.
    std::string_view head = Unstuffed(reply, unstuffed);
    if (head.size() >= 2 && head.compare(head.size() - 2, 2, "\r\n") == 0)
        head.remove_suffix(2);
    return {head, {}};
}

// The Message-ID as it is compared and stored: its own bytes without the line
// breaks of a folded field and without blanks around it.
std::string CleanMessageId(std::string_view value) {
    std::string joined;
    if (FindByteOf(value, "\r\n") != std::string_view::npos) {
        joined = WithoutLineBreaks(value);
        value = joined;
    }
    std::size_t first = 0;
    std::size_t last = value.size();
    while (first < last && (value[first] == ' ' || value[first] == '\t'))
        ++first;
    while (last > first && (value[last - 1] == ' ' || value[last - 1] == '\t'))
        --last;
    return std::string(value.substr(first, last - first));
}

std::string MessageIdOf(std::string_view head) {
    HeaderLookup lookup{"Message-ID", {}, false, true, 0};
    FindHeaderValues(head, &lookup, 1);
    return CleanMessageId(CutHeaderValue(lookup.value));
}

// The short texts must hold no ESC, which the windows would show as garbage:
// ISO-2022-JP written raw into a field is converted, any other ESC dropped.
void ClearEscapes(std::string& text) {
    if (text.find(kEsc) == std::string::npos)
        return;
    std::string converted;
    AppendJisText(text, converted);
    converted.erase(std::remove(converted.begin(), converted.end(), kEsc), converted.end());
    text = std::move(converted);
}

// A field shown as it stands (a date that could not be read, the X-UIDL): no
// ESC and no broken byte, so 8-bit bytes that make no code page 932 character
// are marked. Decoded fields are whole characters already.
void MakeShowable(std::string& text) {
    if (text.find(kEsc) == std::string::npos && HasEightBitBytes(text)) {
        std::string checked;
        AppendShiftJisAsCp932(text, checked);
        text = std::move(checked);
    }
    ClearEscapes(text);
}

// A field's value up to the end of its field, its folding undone: every line
// break that continues the field becomes one blank.
std::string_view UnfoldedField(std::string_view value, std::string& unfolded) {
    value = CutHeaderValue(value);
    if (value.find('\r') == std::string_view::npos)
        return value;
    unfolded = UnfoldHeaderValue(value);
    return unfolded;
}

// Sender or subject: unfolded, decoded, freed of ESC.
std::string DecodedField(std::string_view value) {
    std::string unfolded;
    std::string text = DecodeEncodedWords(UnfoldedField(value, unfolded));
    ClearEscapes(text);
    return text;
}

}  // namespace

std::string ExtractMessageId(std::string_view reply) {
    std::string unstuffed;
    return MessageIdOf(SplitReply(reply, unstuffed).head);
}

ExtractedMessage ExtractMessage(std::string_view reply, bool wholeMessage, int getLines) {
    std::string unstuffed;
    const MessageParts parts = SplitReply(reply, unstuffed);
    const std::string_view head = parts.head;

    // Every field is looked up by its name in the untouched head before any
    // is trimmed, all in one pass over its lines.
    enum { kDate, kId, kFrom, kTo, kSubject, kUidl, kContentType, kTransfer, kLookups };
    HeaderLookup lookups[kLookups];
    const std::string_view names[kLookups] = {
        "Date",    "Message-ID", "From",         "To",
        "Subject", "X-UIDL",     "Content-Type", "Content-Transfer-Encoding"};
    for (int k = 0; k < kLookups; ++k) {
        lookups[k].name = names[k];
        lookups[k].wholeName = true;
    }
    FindHeaderValues(head, lookups, kLookups);
    // The MIME fields as a part head's are read: continuation lines joined.
    const std::string transferEncoding =
        lookups[kTransfer].found
            ? PartFieldValue(head.substr(lookups[kTransfer].line), names[kTransfer])
            : std::string();
    const std::string_view senderValue =
        lookups[kFrom].found ? lookups[kFrom].value : lookups[kTo].value;

    ExtractedMessage result;
    result.messageId = CleanMessageId(CutHeaderValue(lookups[kId].value));
    MailSummary& summary = result.summary;
    summary.date = FormatSummaryDate(CutHeaderValue(lookups[kDate].value));
    MakeShowable(summary.date);
    summary.sender = DecodedField(senderValue);
    summary.subject = DecodedField(lookups[kSubject].value);
    std::string unfolded;
    summary.uidl.assign(UnfoldedField(lookups[kUidl].value, unfolded));
    MakeShowable(summary.uidl);

    const BodyText body = ExtractBodyText(
        {head, parts.body, CutHeaderValue(lookups[kContentType].value), transferEncoding});

    std::string& viewer = summary.viewer;
    viewer.reserve(summary.subject.size() + summary.sender.size() + summary.date.size() +
                   body.text.size() + 64);
    viewer += "Subject: ";
    viewer += summary.subject;
    viewer += "\r\nFrom: ";
    viewer += summary.sender;
    viewer += "\r\nDate: ";
    viewer += summary.date;
    viewer += "\r\n\r\n";
    viewer += body.text;
    // A body as long as the lines asked for was most likely cut by the server.
    if (!wholeMessage && getLines > 0 && body.lines >= static_cast<std::size_t>(getLines)) {
        char digits[16];
        const auto written = std::to_chars(digits, digits + sizeof digits, getLines);
        viewer += "\r\n(max ";
        viewer.append(digits, written.ptr);
        viewer += " lines)...";
    }
    return result;
}

}  // namespace pell
