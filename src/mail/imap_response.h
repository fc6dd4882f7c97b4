#pragma once
// IMAP server responses (RFC 3501, RFC 9051): assembling them from received
// bytes, however the bytes are split, with their literals; and reading their
// parts (tag, status, response code, FETCH items). Everything is bounded: a
// response larger than its limit is refused as a whole, before its bytes are
// read, when a literal announces it.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mail/line_channel.h"

namespace pell {

// One response may hold a message text as large as a POP3 one, plus its
// header and the response's own words.
inline constexpr std::size_t kMaxImapResponse = kMaxMessageText + 512 * 1024;

// One response: its lines joined without their CR LF, each literal's "{n}"
// left where it stood, and the literals' bytes apart, in order.
struct ImapResponse {
    std::string text;
    std::vector<std::string> literals;
};

// Builds responses from bytes as they arrive.
class ImapResponseAssembler {
  public:
    explicit ImapResponseAssembler(std::size_t limit = kMaxImapResponse) : limit_(limit) {}

    // Takes received bytes. False once a response broke its limit; every
    // later call is refused too (the connection cannot be read on).
    bool Feed(std::string_view bytes);
    // The oldest complete response, if any.
    bool Next(ImapResponse& response);
    bool failed() const { return failed_; }
    // True while bytes of an unfinished response, or complete responses not
    // yet taken, are held.
    bool holdsBytes() const;
    bool holdsResponse() const { return !ready_.empty(); }

  private:
    bool FeedLine(std::string_view& bytes);
    void FeedLiteral(std::string_view& bytes);

    const std::size_t limit_;
    std::deque<ImapResponse> ready_;
    ImapResponse current_;
    std::string line_;             // the line being received
    std::size_t size_ = 0;         // bytes of current_ so far, literals included
    std::size_t literalLeft_ = 0;  // bytes of the current literal still to come
    bool inLiteral_ = false;
    bool failed_ = false;
};

// The literal size announced at the end of a line ("{n}", "{n+}", "~{n}"), or
// nothing. Sizes beyond `limit` give limit + 1.
std::optional<std::size_t> TrailingLiteralSize(std::string_view line, std::size_t limit);

enum class ImapKind {
    kTagged,
    kUntagged,
    kContinuation,
};

enum class ImapStatus {
    kNone,  // not a status response (data such as "* 3 EXISTS")
    kOk,
    kNo,
    kBad,
    kPreauth,
    kBye,
};

// The first words of a response.
struct ImapHead {
    ImapKind kind = ImapKind::kUntagged;
    std::string_view tag;  // the tag of a tagged response
    ImapStatus status = ImapStatus::kNone;
    std::string_view code;                // inside "[...]" of a status response, or empty
    std::optional<std::uint32_t> number;  // "* 12 EXISTS": 12
    std::string_view keyword;             // "EXISTS", "FETCH", "CAPABILITY", "SEARCH"...
    std::string_view rest;                // what follows the keyword or the status word
};

ImapHead ParseImapHead(std::string_view text);

// True when a word equals the given upper-case word in any case.
bool IsWord(std::string_view word, std::string_view upper);

// A number of at most 32 bits written with digits only.
std::optional<std::uint32_t> ParseImapNumber(std::string_view text);

// The words of a space-separated list (capabilities, search results).
std::vector<std::string_view> ImapWords(std::string_view text);

// The value of a response code "NAME value" ("UIDNEXT 4392"), when the code
// has that name.
std::optional<std::uint32_t> CodeNumber(std::string_view code, std::string_view name);

// What a FETCH response says about one message.
struct ImapFetch {
    std::uint32_t sequence = 0;
    std::optional<std::uint32_t> uid;
    std::optional<std::uint32_t> size;  // RFC822.SIZE
    std::optional<std::string> header;  // BODY[HEADER]
    std::optional<std::string> text;    // BODY[TEXT]
    std::optional<std::string> whole;   // BODY[]
};

// Reads "* n FETCH (...)", moving the literals it uses out of the response.
// False when the response is no FETCH or is not well formed; items it does
// not know are passed over.
bool ParseFetch(ImapResponse& response, ImapFetch& fetch);

}  // namespace pell
