#pragma once
// One complete POP3 conversation for one account: connect (with TLS from the
// first byte, or after STLS, when the account asks), log in (USER/PASS or
// APOP), ask the server what it can do (CAPA), STAT, and find the new
// messages: by their unique ids (UIDL) against those present at the last
// check, or, without them, by walking the mailbox from the newest message
// down until one whose Message-ID was seen. TOP (or RETR) only for the new
// messages that are summarised; commands go out in batches when the server
// announces PIPELINING. Then QUIT. Nothing on the server is ever deleted, and
// no login command is sent before TLS is up.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mail/line_channel.h"
#include "mail/mail_summary.h"
#include "mail/message_identity.h"
#include "mail/pop_capabilities.h"
#include "mail/socket_channel.h"

namespace pell {

class CheckRun;

// Buffer sizes of the conversation (each bounds what a reply may fill).
inline constexpr std::size_t kCommandCapacity = 100;
inline constexpr std::size_t kLoginReplyCapacity = 5000;
inline constexpr std::size_t kListReplyCapacity = 2000;
inline constexpr std::size_t kMaxTimestampLength = 128;   // "<" to ">" stays below this
inline constexpr std::size_t kSeenIdListCapacity = 5000;  // as the file keeps it

struct PopSessionInput {
    std::string user;          // at most 49 characters
    std::string password;      // plain text, at most 30 characters
    std::string server;        // host name or dotted address, at most 99 characters
    std::string portText;      // decimal text, may be empty
    std::string seenIds;       // the stored seen-id list (Mesid)
    int timeoutSeconds = 180;  // 0 = none
    bool apop = false;
    bool readAll = false;  // RETR instead of TOP
    int getLines = 10;
    // Connection protection: 0 plain POP3, 1 STLS before the login, 2 TLS
    // from the first byte (the Security key).
    int security = 0;
    // The pinned server certificate (CertFingerprint): empty, or its SHA-256
    // digest as 64 hex digits (colons and case ignored).
    std::string certFingerprint;
    // The UIDLs of the messages present at the account's last successful
    // check (the seen-UIDL store); nothing when the store knows none for this
    // mailbox, and the Message-IDs of seenIds decide.
    std::optional<std::vector<std::string>> seenUidls;
    // An earlier check of this run found that the server has no UIDL.
    bool serverLacksUidl = false;
    // The account's protocol (the Protocol key: 0 POP3, 1 IMAP) and, for
    // IMAP, the folder to watch (Shift_JIS as typed).
    int protocol = 0;
    std::string folder = "INBOX";
    // IMAP: the folder's marks stored at the last successful check
    // (ImapUidValidity, ImapUidNext); 0 when none is stored.
    std::uint32_t imapUidValidity = 0;
    std::uint32_t imapUidNext = 0;
};

struct PopSessionOutput {
    int result = 0;
    int messageCount = 0;
    int mailboxSize = 0;
    std::unique_ptr<MailSummaryList> summaries;  // made when STAT reports messages
    std::optional<std::string> newSeenIds;       // made when STAT reports messages
    int newCount = 0;
    // The walk without UIDLs looked at its most messages and found all new:
    // newCount is a lower bound.
    bool newAtLeast = false;
    // Every message's UIDL, message 1 first, when the server listed them:
    // what the seen-UIDL store keeps after a successful check.
    std::optional<std::vector<std::string>> uidls;
    // The server has no UIDL (it said so in CAPA, or refused the command).
    bool serverLacksUidl = false;
    // What the server announced after the login (LOGIN-DELAY among it).
    PopCapabilities capabilities;
    // Filled when TLS was negotiated (or its certificate was refused): the
    // protocol and cipher names and the server certificate's SHA-256 digest
    // as 64 upper-case hex digits.
    std::string tlsProtocol;
    std::string tlsCipher;
    std::string certificateFingerprint;
    // The certificate's subject and issuer (UTF-8) and why it was not
    // verified (CertificateProblem bits), for the trust question.
    std::string certificateSubject;
    std::string certificateIssuer;
    unsigned certificateProblems = 0;
    // IMAP: the folder's marks after this check, stored when it ended well;
    // 0 when unknown.
    std::uint32_t imapUidValidity = 0;
    std::uint32_t imapUidNext = 0;
};

struct PopSessionHooks {
    // Restarts the watchdog of the account (after login, before each TOP/RETR
    // and before QUIT).
    std::function<void()> rearmWatchdog;
    // Debug traces (the TOP/RETR commands and byte counts).
    TraceSink trace;
    // When given, the session registers the socket's cancel on it so that an
    // abandoned check unblocks at once.
    CheckRun* run = nullptr;
};

// The port of the Port text: its leading decimal digits (none give 0), cut to
// 16 bits; nothing for an empty text (the pop3 service is used then).
std::optional<std::uint16_t> PortFromText(std::string_view text);

// The APOP timestamp of a greeting: "<" to the first ">" after it, inclusive,
// when that ">" lies less than 128 bytes behind the "<"; else empty.
std::string ApopTimestamp(std::string_view greeting);

// The number behind the n-th blank (1-based) of a reply, or nothing when the
// reply has fewer blanks.
std::optional<int> NumberBehindBlank(std::string_view reply, int n);

void RunPopSession(Network& network, const PopSessionInput& in, PopSessionOutput& out,
                   const PopSessionHooks& hooks);

// Connects as a check of the account would and runs the TLS handshake (STLS
// for an account without protection), then says QUIT without logging in: the
// server's certificate for a person to look at and pin. Returns 0 or the
// status that ended the attempt; the outcome's certificate fields are filled
// whenever the server presented one.
int ProbeServerCertificate(Network& network, PopSessionInput in, TlsOutcome& tls);

}  // namespace pell
