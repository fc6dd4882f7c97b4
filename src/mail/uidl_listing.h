#pragma once
// The unique ids a POP3 server gives its messages (UIDL, RFC 1939), and which
// messages are new against the ids present at the last check.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pell {

// RFC 1939 allows 70 characters; longer ones are accepted up to this.
inline constexpr std::size_t kMaxUidlLength = 255;

// The UIDL of each message, message 1 first, from a multi-line UIDL reply
// for a mailbox of `messageCount` messages. Nothing when the reply is not a
// listing of exactly those messages: a line that is no "number id", a number
// out of range or given twice, a message left out, or an id with bytes
// outside 0x21..0x7E.
std::optional<std::vector<std::string>> ParseUidlListing(std::string_view reply, int messageCount);

// The numbers of the new messages, newest first: those whose UIDL was not
// among `seen`. An id that occurs more than once (a faulty server) counts
// as often as it occurs: the newest of its messages beyond the seen count are
// new.
std::vector<int> NewMessageNumbers(const std::vector<std::string>& seen,
                                   const std::vector<std::string>& current);

}  // namespace pell
