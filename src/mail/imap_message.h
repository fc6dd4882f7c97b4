#pragma once
// An IMAP message in the shape of a POP3 TOP (or RETR) reply, so that the
// summaries of both protocols come from the same extraction: the "+OK"
// status line, the header, a blank line, the body lines dot-stuffed as a POP3
// server stuffs them, and the end marker.
#include <cstddef>
#include <string>
#include <string_view>

namespace pell {

// IMAP fetches a body's first bytes, not its first lines: this many bytes
// are asked for per line wanted (the longest line RFC 5322 allows).
inline constexpr std::size_t kImapBytesPerLine = 1000;
// The header of a message is fetched up to this size.
inline constexpr std::size_t kImapHeaderLimit = 256 * 1024;

// `header` ends with its blank line (or was cut); `body` holds the body's
// first bytes. At most `bodyLines` body lines are kept when it is not
// negative (a cut last line counts as one).
std::string PopReplyFromImap(std::string_view header, std::string_view body, int bodyLines);

// A whole message (BODY[]) split at its first blank line into the same shape.
std::string PopReplyFromWholeMessage(std::string_view message);

}  // namespace pell
