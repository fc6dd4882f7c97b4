#pragma once
// Commands and responses of one IMAP connection: each command goes out with
// a tag of its own and is read to its tagged completion, the untagged
// responses on the way handed to the caller. Reads are bounded (a response
// by kMaxImapResponse, a command's untagged responses by their number) and
// end when the connection ends, fails or times out.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "mail/imap_response.h"
#include "mail/socket_channel.h"

namespace pell {

// More responses than this before a command's tagged reply: a server that
// talks without end.
inline constexpr std::size_t kMaxUntaggedPerCommand = 1000000;

enum class ImapRead {
    kResponse,
    kEnded,     // closed, failed, timed out or cancelled
    kTooLarge,  // a response broke its limit
};

enum class ImapReplyEnd {
    kOk,
    kNo,
    kBad,
    kSendFailed,  // the command could not be sent
    kNoReply,     // the connection ended before the tagged reply
    kBadReply,    // a response too large, or untagged responses without end
};

struct ImapCommandResult {
    ImapReplyEnd end = ImapReplyEnd::kNoReply;
    std::string code;           // the tagged reply's response code
    bool bye = false;           // the server announced that it closes
    bool continuation = false;  // Finish stopped at a continuation request
};

using UntaggedSink = std::function<void(ImapResponse&)>;

class ImapChannel {
  public:
    explicit ImapChannel(SocketChannel& socket, std::size_t limit = kMaxImapResponse)
        : socket_(socket), assembler_(limit) {}

    // The next response from the server.
    ImapRead Read(ImapResponse& response);

    // Sends "<tag> <line>" and reads to its tagged reply. A continuation
    // request is answered with the next of `continuations` (each a whole
    // line with its CR LF), and once they are used up with "*", which
    // cancels an authentication.
    ImapCommandResult Run(std::string_view line, const UntaggedSink& untagged,
                          std::vector<std::string> continuations = {});

    // The two halves of Run, for a command whose end comes later (IDLE).
    // Send returns false when the line could not be sent.
    bool Send(std::string_view line);
    ImapCommandResult Finish(const UntaggedSink& untagged,
                             std::vector<std::string> continuations = {},
                             bool stopAtContinuation = false);

    bool SendRaw(std::string_view bytes) { return socket_.Send(bytes); }
    // Waits for the next response without using the receive time-out (see
    // SocketChannel::WaitForData); 1 at once when one is waiting already.
    int WaitForData(int milliseconds) {
        return holdsResponse() ? 1 : socket_.WaitForData(milliseconds);
    }
    // Bytes received but not yet read as responses.
    bool holdsBytes() const { return assembler_.holdsBytes(); }
    bool holdsResponse() const { return assembler_.holdsResponse(); }
    const std::string& tag() const { return tag_; }
    // True once the server closed the connection (rather than a receive
    // failing or timing out).
    bool peerClosed() const { return peerClosed_; }

  private:
    SocketChannel& socket_;
    ImapResponseAssembler assembler_;
    std::string tag_;
    unsigned counter_ = 0;
    bool peerClosed_ = false;
};

}  // namespace pell
