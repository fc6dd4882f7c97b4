#include "mail/imap_message.h"

namespace pell {
namespace {

// Appends the lines of the text, each ended by CR LF (a bare LF counts as a
// line end too), with a leading "." doubled; at most `limit` lines when it
// is not negative.
void AppendStuffedLines(std::string& out, std::string_view text, int limit) {
    int count = 0;
    while (!text.empty() && (limit < 0 || count < limit)) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && line.front() == '.')
            out += '.';
        out.append(line);
        out += "\r\n";
        ++count;
    }
}

std::string_view WithoutTrailingBreaks(std::string_view text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::string PopReplyFromImap(std::string_view header, std::string_view body, int bodyLines) {
    std::string reply;
    reply.reserve(header.size() + body.size() + 64);
    reply = "+OK\r\n";
    AppendStuffedLines(reply, WithoutTrailingBreaks(header), -1);
    reply += "\r\n";
    AppendStuffedLines(reply, body, bodyLines);
    reply += ".\r\n";
    return reply;
}

std::string PopReplyFromWholeMessage(std::string_view message) {
    std::size_t blank = message.find("\r\n\r\n");
    std::size_t skip = 4;
    std::size_t bare = message.find("\n\n");
    if (bare != std::string_view::npos && (blank == std::string_view::npos || bare < blank)) {
        blank = bare;
        skip = 2;
    }
    if (blank == std::string_view::npos)
        return PopReplyFromImap(message, {}, -1);
    return PopReplyFromImap(message.substr(0, blank), message.substr(blank + skip), -1);
}

}  // namespace pell
