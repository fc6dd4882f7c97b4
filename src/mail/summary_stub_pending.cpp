// Temporary minimal extraction so that the checker builds and runs before the
// full summary extraction arrives; it is replaced by that work.
#include "mail/mail_summary.h"
#include "startup/text_search.h"

namespace pell {
namespace {

std::string FieldValue(std::string_view head, std::string_view name) {
    std::size_t at = FindTextNoCase(head, name);
    if (at == kNotFound)
        return {};
    std::size_t colon = head.find(':', at);
    if (colon == std::string_view::npos)
        return {};
    std::size_t start = std::min(head.size(), colon + 2);
    std::size_t end = head.find("\r\n", start);
    if (end == std::string_view::npos)
        end = head.size();
    return std::string(head.substr(start, end - start));
}

}  // namespace

ExtractedMessage ExtractMessage(std::string_view reply, bool /*wholeMessage*/, int /*getLines*/) {
    std::size_t split = FindText(reply, "\r\n\r\n");
    std::string_view head = split == kNotFound ? reply : reply.substr(0, split);
    ExtractedMessage result;
    result.messageId = FieldValue(head, "Message-I");
    result.summary.date = FieldValue(head, "Date:");
    result.summary.sender = FieldValue(head, "From:");
    if (result.summary.sender.empty())
        result.summary.sender = FieldValue(head, "To:");
    result.summary.subject = FieldValue(head, "Subject:");
    result.summary.uidl = FieldValue(head, "X-UIDL:");
    result.summary.viewer = "Subject: " + result.summary.subject +
                            "\r\nFrom: " + result.summary.sender +
                            "\r\nDate: " + result.summary.date + "\r\n";
    return result;
}

}  // namespace pell
