// Turns one TOP or RETR reply into the Message-ID and the texts of its summary.
#include <algorithm>
#include <charconv>

#include "mail/header_fields.h"
#include "mail/mail_summary.h"
#include "mail/summary_body.h"
#include "mail/summary_date.h"
#include "mime/anchored_search.h"
#include "mime/encoded_words.h"
#include "mime/japanese_encoding.h"
#include "mime/mime_headers.h"
#include "startup/text_search.h"

namespace pell {
namespace {

constexpr std::string_view kBlankLine = "\r\n\r\n";
constexpr char kEsc = '\x1b';

struct MessageParts {
    std::string_view head;  // from the status line up to the blank line
    std::string_view body;  // behind the blank line, end marker included
};

// The first CR LF CR LF, found from one LF to the next.
std::size_t FindBlankLine(std::string_view text) {
    return FindExactAnchored(text, "\r\n\r\n", 1);
}

MessageParts SplitMessage(std::string_view reply) {
    // The reply is a text: a zero byte from the server ends it.
    reply = TextBeforeZero(reply);
    const std::size_t blank = FindBlankLine(reply);
    if (blank == kNotFound)
        return {reply, {}};
    return {reply.substr(0, blank), reply.substr(blank + kBlankLine.size())};
}

// The Message-ID as it is compared and stored: its own bytes without the line
// breaks of a folded field and without blanks around it.
std::string CleanMessageId(std::string_view value) {
    std::string id = WithoutLineBreaks(value);
    const std::size_t first = id.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const std::size_t last = id.find_last_not_of(" \t");
    id.resize(last + 1);
    id.erase(0, first);
    return id;
}

std::string MessageIdOf(std::string_view head) {
    return CleanMessageId(CutHeaderValue(FindHeaderValue(head, "Message-I")));
}

// The short texts must hold no ESC, which the windows would show as garbage:
// ISO-2022-JP written raw into a field is converted, any other ESC dropped.
void ClearEscapes(std::string& text) {
    if (text.find(kEsc) == std::string::npos)
        return;
    std::string converted;
    if (AppendJisAsSjis(text, converted, text.size() + 1) == kConversionFull) {
        converted.append(std::string_view(text).substr(std::min(converted.size(), text.size())));
    }
    converted.erase(std::remove(converted.begin(), converted.end(), kEsc), converted.end());
    text = std::move(converted);
}

// Sender or subject: decoded, freed of ESC, folded lines joined.
std::string DecodedField(std::string_view value) {
    // As DecodeHeaderText on a copy of the value, without the copy.
    std::string text = DecodeEncodedWords(CutHeaderValue(value));
    ClearEscapes(text);
    if (text.find("\r\n ") == std::string::npos)
        return text;
    return UnfoldHeaderValue(text);
}

}  // namespace

std::string ExtractMessageId(std::string_view reply) {
    return MessageIdOf(SplitMessage(reply).head);
}

ExtractedMessage ExtractMessage(std::string_view reply, bool wholeMessage, int getLines) {
    const MessageParts parts = SplitMessage(reply);
    const std::string_view head = parts.head;

    // Every field is looked up in the untouched head before any is trimmed, all
    // in one pass over its lines.
    enum { kDate, kId, kFrom, kTo, kSubject, kUidl, kContentType, kTransfer, kLookups };
    HeaderLookup lookups[kLookups];
    const std::string_view names[kLookups] = {
        "Date:",    "Message-I", "From:",         "To:",
        "Subject:", "X-UIDL:",   "Content-type:", "Content-Transfer-Encoding"};
    for (int k = 0; k < kLookups; ++k)
        lookups[k].name = names[k];
    // The transfer encoding is read as in a part head: the field of that name.
    lookups[kTransfer].wholeName = true;
    FindHeaderValues(head, lookups, kLookups);
    const std::string transferEncoding =
        lookups[kTransfer].found
            ? PartFieldValue(head.substr(lookups[kTransfer].line), names[kTransfer])
            : std::string();
    const std::string_view dateValue = lookups[kDate].value;
    const std::string_view idValue = lookups[kId].value;
    const std::string_view senderValue =
        lookups[kFrom].found ? lookups[kFrom].value : lookups[kTo].value;
    const std::string_view subjectValue = lookups[kSubject].value;
    const std::string_view uidlValue = lookups[kUidl].value;
    std::string_view contentType = lookups[kContentType].value;
    // Inside the content type, which still runs to the end of the head, the
    // boundary starts right behind the "=" of "boundary=".
    std::string_view boundary;
    const std::size_t boundaryAt = FindNoCaseAnchored(contentType, "boundary=");
    if (boundaryAt != kNotFound)
        boundary = contentType.substr(contentType.find('=', boundaryAt) + 1);

    ExtractedMessage result;
    result.messageId = CleanMessageId(CutHeaderValue(idValue));
    MailSummary& summary = result.summary;
    summary.date = FormatSummaryDate(CutHeaderValue(dateValue));
    ClearEscapes(summary.date);
    summary.sender = DecodedField(senderValue);
    summary.subject = DecodedField(subjectValue);
    summary.uidl.assign(CutHeaderValue(uidlValue));
    ClearEscapes(summary.uidl);

    const std::string_view contentTypeField = CutHeaderValue(contentType);
    contentType = contentType.substr(0, contentType.find('\r'));
    contentType = contentType.substr(0, contentType.find(';'));
    contentType = StripQuotes(contentType);
    boundary = StripQuotes(boundary.substr(0, boundary.find('\r')));

    const BodyText body = ExtractBodyText(
        {head, parts.body, contentType, boundary, contentTypeField, transferEncoding});

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
