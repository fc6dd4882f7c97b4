#pragma once
// POP3 lines over one socket: single command/reply exchanges through a
// 512-byte receive area, completed replies, and multi-line replies (TOP, RETR,
// UIDL, CAPA) up to their end marker. Commands may go out in batches (for a
// server that announces PIPELINING); the replies are then read one after the
// other from what has arrived, none of them losing bytes of the next. Every
// buffer is bounded, and every read ends when the peer closes, a receive fails
// or times out, or the check is cancelled.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mail/socket_channel.h"

namespace pell {

inline constexpr std::size_t kReceiveAreaSize = 512;
// A message text is kept up to this many bytes, whatever size LIST claimed;
// the rest is read and dropped up to the end marker.
inline constexpr std::size_t kMaxMessageText = 4 * 1024 * 1024;
// Room added to the listed size of a message for its status line and marker.
inline constexpr std::size_t kMessageSlack = 163;

// Results of SendRecvLine (codes 0, 6 and 7 of the status table).
enum LineResult : int { kLineOk = 0, kLineSendFailed = 6, kLineReceiveFailed = 7 };

// True when the text begins with "+" or "-" and holds a line feed anywhere.
bool IsReplyComplete(std::string_view text);

enum class MultiLineEnd {
    kMarker,           // the end marker arrived
    kErrorReply,       // the server answered with a one-line error
    kConnectionEnded,  // peer closed, receive failed or timed out, or cancelled
};

struct MultiLineResult {
    MultiLineEnd end = MultiLineEnd::kConnectionEnded;
    std::size_t totalBytes = 0;  // everything received, kept or dropped
    bool truncated = false;      // bytes beyond the limit were dropped
};

// The lines of a multi-line reply between its status line and its end
// marker, without their line ends and with the byte-stuffed dot removed.
// Without an end marker every line after the status line counts.
std::vector<std::string_view> MultiLineBody(std::string_view reply);

using TraceSink = std::function<void(std::string_view)>;

class LineChannel {
  public:
    explicit LineChannel(SocketChannel& socket) : socket_(socket) {}

    // Sends the command (if any); with a reply buffer, receives text up to the
    // first CR LF (at most 512 bytes) and appends it, keeping the buffer within
    // capacity - 1 bytes. Returns 0, 6 (send failed) or 7 (receive failed).
    int SendRecvLine(std::optional<std::string_view> command, std::string* reply,
                     std::size_t capacity);

    // SendRecvLine with the command, then again without one while the reply is
    // not complete. A reply that cannot be completed because the connection
    // ended gives 7; a reply whose line overran the buffer ends at its LF.
    int CompletedReply(std::optional<std::string_view> command, std::string& reply,
                       std::size_t capacity);

    // Sends one or more command lines in one write. Bytes that arrived
    // unasked before it (a server talking out of turn) are dropped first, so
    // that the replies read next belong to these commands. 0 or 6.
    int Send(std::string_view commands);

    // Reads exactly one reply line, through its line feed, and leaves what
    // follows for the next read. At most capacity - 1 bytes are kept; the rest
    // of a longer line is read and dropped. 0, or 7 when the connection ended
    // before the line did.
    int ReadReplyLine(std::string& reply, std::size_t capacity);

    // Reads a multi-line reply (the command was sent) into text, as the server
    // sent it: status line, lines still dot-stuffed, and the end marker. At
    // most `limit` bytes are kept; `expectedSize` only sizes the first
    // allocation. A reply whose status line begins with "-" ends at that line.
    // What follows the reply stays for the next read.
    MultiLineResult ReadMultiLine(std::string& text, std::size_t expectedSize,
                                  std::size_t limit = kMaxMessageText,
                                  const TraceSink& trace = nullptr);

    // True once the peer closed or a receive failed: no more data will come.
    bool ended() const { return ended_ && pending_.empty(); }

  private:
    // Receives into an area of `size` bytes (what has arrived unread comes
    // first) until it holds CR LF, is full, or the peer closed. False on a
    // failed receive.
    bool ReceiveArea(std::string& area, std::size_t size);
    // Appends the next received bytes to pending_; false when none will come.
    bool ReceiveMore();
    // A multi-line reply may end in CR with its LF still on the way; that LF
    // is not the start of the next reply.
    void DropLeftoverLineFeed();

    SocketChannel& socket_;
    std::string pending_;  // received, not yet handed out
    bool ended_ = false;
    bool droppedLineFeed_ = false;  // the last append dropped a line feed
    bool leftoverLineFeed_ = false;
};

}  // namespace pell
