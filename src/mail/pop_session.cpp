#include "mail/pop_session.h"

#include <algorithm>
#include <cstdio>

#include "mail/apop_digest.h"
#include "mail/check_run.h"
#include "mail/message_identity.h"
#include "mail/server_connection.h"
#include "mail/status_codes.h"
#include "mail/tls_policy.h"
#include "mail/uidl_listing.h"
#include "settings/settings_store.h"
#include "startup/text_search.h"

namespace pell {
namespace {

// The walk by Message-ID looks at most at this many messages; when all of
// them are new, the count is a lower bound.
constexpr int kMaxLooked = 2000;
// Its pipelined batches: small first (usually one message decides), then
// larger up to a bound that keeps the commands on their way few.
constexpr std::size_t kWalkFirstBatch = 4;
constexpr std::size_t kWalkMaxBatch = 64;
constexpr std::size_t kCapabilityReplyLimit = 64 * 1024;
constexpr std::size_t kUidlReplyLimit = 16 * 1024 * 1024;

bool ContainsErr(std::string_view reply) {
    return FindText(reply, "-ERR") != kNotFound;
}

bool BeginsWithMinus(std::string_view reply) {
    return !reply.empty() && reply[0] == '-';
}

bool BeginsWithOk(std::string_view reply) {
    return reply.substr(0, 3) == "+OK";
}

// A Message-ID goes into the settings file as part of one line: line breaks
// and NULs from a hostile head must not reach it.
std::string CleanMessageId(std::string_view id) {
    std::string clean;
    clean.reserve(id.size());
    for (char c : id) {
        if (c != '\r' && c != '\n' && c != '\0')
            clean.push_back(c);
    }
    return clean;
}

std::string Format(const char* format, int a, int b = 0) {
    char text[kCommandCapacity];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// Where a check of the account connects. Only POP3 keeps other programs
// out: a mailbox is locked by the session that holds it.
ServerEndpoint PopEndpoint(const PopSessionInput& in) {
    ServerEndpoint endpoint;
    endpoint.server = in.server;
    endpoint.port = PortFromText(in.portText);
    if (!endpoint.port && SecurityFromSetting(in.security) == kSecurityImplicit)
        endpoint.port = kPop3TlsPort;
    endpoint.timeoutSeconds = in.timeoutSeconds;
    endpoint.certFingerprint = in.certFingerprint;
    endpoint.exclusive = true;
    return endpoint;
}

void CopyTlsOutcome(const TlsOutcome& tls, PopSessionOutput& out) {
    out.tlsProtocol = tls.protocol;
    out.tlsCipher = tls.cipher;
    out.certificateFingerprint = tls.fingerprint;
    out.certificateSubject = tls.subject;
    out.certificateIssuer = tls.issuer;
    out.certificateProblems = tls.problems;
}

// Connects and, as the account asks, protects the connection before a single
// login command can go out: TLS at once, or the greeting, STLS and TLS. The
// greeting is left in `greeting` (empty when it was read over TLS and failed).
// Returns 0 or the status that ends the session; with a plain or implicit TLS
// connection an unreadable greeting is reported through greetingFailed only.
int OpenProtected(ServerConnection& connection, const PopSessionInput& in, TlsOutcome& tls,
                  std::string& greeting, bool& greetingFailed) {
    int result = connection.Open(PopEndpoint(in));
    if (result != kStatusOk)
        return result;
    const ConnectionSecurity security = SecurityFromSetting(in.security);
    if (security == kSecurityImplicit) {
        tls = connection.StartTls();
        if (tls.status != kStatusOk)
            return tls.status;
    }
    LineChannel line(connection.socket());
    greetingFailed = line.CompletedReply(std::nullopt, greeting, kLoginReplyCapacity) != kLineOk;
    if (security != kSecurityStls)
        return kStatusOk;
    if (greetingFailed)
        return kStatusConnect;
    std::string reply;
    if (line.CompletedReply("STLS\r\n", reply, kLoginReplyCapacity) != kLineOk ||
        !BeginsWithOk(reply))
        return kStatusNoStls;
    // Bytes behind the answer came before the handshake, in the clear: they
    // would be read later as if they had been protected.
    if (reply.find('\n') + 1 != reply.size())
        return kStatusTlsFailed;
    tls = connection.StartTls();
    return tls.status;
}

}  // namespace

std::optional<std::uint16_t> PortFromText(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    return static_cast<std::uint16_t>(static_cast<unsigned>(ParseDecimal(text)) & 0xFFFFu);
}

std::string ApopTimestamp(std::string_view greeting) {
    std::size_t open = greeting.find('<');
    if (open == std::string_view::npos)
        return {};
    std::size_t close = greeting.find('>', open);
    if (close == std::string_view::npos || close - open >= kMaxTimestampLength)
        return {};
    return std::string(greeting.substr(open, close - open + 1));
}

std::optional<int> NumberBehindBlank(std::string_view reply, int n) {
    std::size_t pos = std::string_view::npos;
    std::size_t from = 0;
    for (int i = 0; i < n; ++i) {
        pos = reply.find(' ', from);
        if (pos == std::string_view::npos)
            return std::nullopt;
        from = pos + 1;
    }
    return ParseDecimal(reply.substr(from));
}

namespace {

// A check that goes on from the login: capabilities, counting, fetching and
// the closing command, over one line channel.
class Transaction {
  public:
    Transaction(LineChannel& line, const PopSessionInput& in, PopSessionOutput& out,
                const PopSessionHooks& hooks)
        : line_(line), in_(in), out_(out), hooks_(hooks) {}

    void Run() {
        AskCapabilities();
        if (ReadMailbox() && out_.messageCount > 0) {
            out_.newSeenIds.emplace();
            out_.summaries = std::make_unique<MailSummaryList>();
            if (out_.uidls && in_.seenUidls)
                FetchNewByUidl();
            else
                WalkByMessageId();
        }
        Quit();
    }

  private:
    void Rearm() {
        if (hooks_.rearmWatchdog)
            hooks_.rearmWatchdog();
    }
    bool Abandoned() const { return hooks_.run && hooks_.run->abandoned(); }

    // CAPA once; a server without it (or with garbage) lists nothing, and the
    // check goes on without pipelining.
    void AskCapabilities() {
        std::string reply;
        if (line_.Send("CAPA\r\n") != kLineOk)
            return;
        if (line_.ReadMultiLine(reply, 0, kCapabilityReplyLimit).end == MultiLineEnd::kMarker)
            out_.capabilities = ParseCapabilities(reply);
        pipelining_ = out_.capabilities.pipelining;
        useRetr_ = in_.readAll || (out_.capabilities.listed && !out_.capabilities.top);
        // UIDL when announced; without a list, tried unless this run knows better.
        askUidl_ = out_.capabilities.listed ? out_.capabilities.uidl : !in_.serverLacksUidl;
        out_.serverLacksUidl =
            out_.capabilities.listed ? !out_.capabilities.uidl : in_.serverLacksUidl;
    }

    // STAT and, when the server has them, the UIDLs (in one batch when
    // pipelining). False when the check cannot go on to counting.
    bool ReadMailbox() {
        std::string stat;
        bool statSent =
            line_.Send(pipelining_ && askUidl_ ? "STAT\r\nUIDL\r\n" : "STAT\r\n") == kLineOk;
        if (!statSent || line_.ReadReplyLine(stat, kListReplyCapacity) != kLineOk ||
            BeginsWithMinus(stat)) {
            out_.result = kStatusList;
        } else if (std::optional<int> count = NumberBehindBlank(stat, 1); count && *count > 0) {
            out_.messageCount = *count;
            out_.mailboxSize = std::max(0, NumberBehindBlank(stat, 2).value_or(0));
        }
        if (!askUidl_ || !statSent)
            return out_.result == kStatusOk;
        // A pipelined UIDL reply is read whatever STAT said, so that nothing of
        // it is taken for the answer to a later command.
        if (!pipelining_ && (out_.result != kStatusOk || out_.messageCount == 0))
            return out_.result == kStatusOk;
        if (!pipelining_ && line_.Send("UIDL\r\n") != kLineOk) {
            out_.result = kStatusUidl;
            return false;
        }
        std::string listing;
        const MultiLineResult read = line_.ReadMultiLine(listing, 0, kUidlReplyLimit);
        if (out_.result != kStatusOk)
            return false;
        if (read.end == MultiLineEnd::kErrorReply) {
            out_.serverLacksUidl = true;  // the walk by Message-ID decides
            return true;
        }
        if (read.end != MultiLineEnd::kMarker || read.truncated) {
            out_.result = kStatusUidl;
            return false;
        }
        out_.serverLacksUidl = false;
        out_.uidls = ParseUidlListing(listing, out_.messageCount);
        if (!out_.uidls) {
            out_.result = kStatusUidl;
            return false;
        }
        return true;
    }

    std::string FetchCommand(int n) const {
        return useRetr_ ? Format("RETR %d\r\n", n) : Format("TOP %d %d\r\n", n, in_.getLines);
    }

    std::string_view UidlOf(int n) const {
        if (!out_.uidls || n < 1 || static_cast<std::size_t>(n) > out_.uidls->size())
            return {};
        return (*out_.uidls)[static_cast<std::size_t>(n) - 1];
    }

    // The id the seen-id list remembers the fetched message by.
    std::string IdOf(const std::string& message, int n) const {
        std::string id = CleanMessageId(ExtractMessageId(message));
        return id.empty() ? SyntheticMessageId(message, UidlOf(n)) : id;
    }

    // Appends an id to the new seen-id list; false when it is full.
    bool Remember(const std::string& id) {
        std::string& list = *out_.newSeenIds;
        if (list.size() + id.size() + 1 > kSeenIdListCapacity - 1)
            return false;
        list += id;
        list += ',';
        return true;
    }

    void Summarise(const std::string& message) {
        out_.summaries->push_back(ExtractMessage(message, useRetr_, in_.getLines).summary);
    }

    // Fetches the messages `numbers` in order, handing each reply to `take`,
    // which says whether it wants more. Pipelined, all commands (and QUIT when
    // asked) go out in one write and every reply is read; otherwise one
    // command at a time, up to the last one wanted. False when the connection
    // ended or a command could not be sent.
    template <class Take>
    bool Fetch(const std::vector<int>& numbers, bool withQuit, Take take) {
        std::string batch;
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            if (line_.ended() || Abandoned())
                return false;
            const std::string command = FetchCommand(numbers[i]);
            if (hooks_.trace)
                hooks_.trace(command);
            if (pipelining_) {
                batch += command;
                if (i + 1 < numbers.size())
                    continue;
                if (withQuit) {
                    batch += "QUIT\r\n";
                    quitSent_ = true;
                }
            } else {
                batch = command;
            }
            Rearm();
            if (line_.Send(batch) != kLineOk) {
                out_.result = kStatusTop;
                return false;
            }
            const std::size_t first = pipelining_ ? 0 : i;
            bool wanted = true;
            for (std::size_t j = first; j <= i; ++j) {
                if (j > first)
                    Rearm();  // the time limit holds for each message
                std::string message;
                const MultiLineResult read =
                    line_.ReadMultiLine(message, 0, kMaxMessageText, hooks_.trace);
                if (read.end == MultiLineEnd::kConnectionEnded) {
                    out_.result = kStatusTop;
                    return false;
                }
                if (read.end == MultiLineEnd::kErrorReply)
                    out_.result = kStatusTop;
                if (wanted)
                    wanted = take(numbers[j], message, read.end == MultiLineEnd::kMarker);
            }
            if (!wanted)
                return true;
        }
        return true;
    }

    // The UIDLs decide: exact, whatever the number of new or deleted messages.
    // The seen-id list comes out as the walk would have made it: the new
    // messages' ids (at most 50), then, while fewer than 50 are new, the id of
    // the newest message seen before. That one is the list's first entry when
    // it is still the newest of the last check; otherwise (it was deleted) it
    // is fetched along with the new ones.
    void FetchNewByUidl() {
        const std::vector<std::string>& seen = *in_.seenUidls;
        const std::vector<std::string>& current = *out_.uidls;
        const std::vector<int> fresh = NewMessageNumbers(seen, current);
        out_.newCount = static_cast<int>(fresh.size());
        std::vector<int> numbers(
            fresh.begin(), fresh.begin() + std::min(fresh.size(), std::size_t{kMaxSummaries}));
        int newestSeen = out_.messageCount;
        for (int n : fresh) {
            if (n == newestSeen)
                --newestSeen;
        }
        const std::string_view oldFirst =
            std::string_view(in_.seenIds).substr(0, in_.seenIds.find(','));
        std::string seenId;
        int fetchSeen = 0;
        if (newestSeen >= 1 && fresh.size() < kMaxSummaries) {
            const bool stillNewest =
                !seen.empty() && !oldFirst.empty() && oldFirst.size() < in_.seenIds.size() &&
                current[static_cast<std::size_t>(newestSeen) - 1] == seen.back();
            if (stillNewest) {
                seenId = std::string(oldFirst);
            } else {
                fetchSeen = newestSeen;
                numbers.push_back(newestSeen);
            }
        }
        std::vector<std::string> ids;
        Fetch(numbers, true, [&](int n, const std::string& message, bool complete) {
            if (!complete)
                return true;
            if (n == fetchSeen) {
                seenId = IdOf(message, n);
            } else {
                ids.push_back(IdOf(message, n));
                Summarise(message);
            }
            return true;
        });
        for (const std::string& id : ids)
            Remember(id);
        if (!seenId.empty())
            Remember(seenId);
    }

    // Without UIDLs to go by (or none remembered yet): newest first until a
    // message whose Message-ID was seen, in growing batches when pipelining.
    // The first check of an account fetches only the newest message and counts
    // every message as new.
    void WalkByMessageId() {
        const std::string& seen = in_.seenIds;
        int& k = out_.newCount;
        int next = out_.messageCount;
        int looked = 0;
        bool stop = false;
        std::size_t batchSize = pipelining_ ? kWalkFirstBatch : 1;
        while (!stop && next >= 1) {
            if (looked >= kMaxLooked) {
                out_.newAtLeast = true;
                break;
            }
            std::vector<int> numbers;
            for (; next >= 1 && numbers.size() < batchSize &&
                   looked + static_cast<int>(numbers.size()) < kMaxLooked;
                 --next)
                numbers.push_back(next);
            const bool alive =
                Fetch(numbers, false, [&](int n, const std::string& message, bool complete) {
                    ++looked;
                    if (!complete) {
                        stop = true;  // this message cannot be judged: no TOP here
                        return false;
                    }
                    const std::string id = IdOf(message, n);
                    if (IsSeenMessage(seen, id)) {
                        stop = true;
                    } else {
                        if (seen.empty()) {
                            stop = true;
                            k = out_.messageCount - 1;
                        }
                        if (k < static_cast<int>(kMaxSummaries))
                            Summarise(message);
                        ++k;
                    }
                    // Every fetched message is remembered, so that the next
                    // check stops at the newest of them.
                    Remember(id);
                    return !stop;
                });
            if (!alive)
                break;
            batchSize = std::min(batchSize * 4, kWalkMaxBatch);
        }
    }

    void Quit() {
        std::string reply;
        Rearm();
        const int read = quitSent_ ? line_.SendRecvLine(std::nullopt, &reply, kLoginReplyCapacity)
                                   : line_.SendRecvLine("QUIT\r\n", &reply, kLoginReplyCapacity);
        if (read != kLineOk) {
            if (out_.result == kStatusOk)
                out_.result = kStatusQuit;
            return;
        }
        if (out_.result == kStatusOk) {
            if (ContainsErr(reply)) {
                out_.result = kStatusLogin;
            } else if (reply.empty()) {
                out_.result = kStatusSilent;
            }
        }
    }

    LineChannel& line_;
    const PopSessionInput& in_;
    PopSessionOutput& out_;
    const PopSessionHooks& hooks_;
    bool pipelining_ = false;
    bool askUidl_ = false;
    bool useRetr_ = false;
    bool quitSent_ = false;
};

}  // namespace

void RunPopSession(Network& network, const PopSessionInput& in, PopSessionOutput& out,
                   const PopSessionHooks& hooks) {
    out.result = kStatusOk;
    out.messageCount = 0;
    out.mailboxSize = 0;
    out.newCount = 0;
    out.newAtLeast = false;
    out.serverLacksUidl = in.serverLacksUidl;
    auto rearm = [&hooks] {
        if (hooks.rearmWatchdog)
            hooks.rearmWatchdog();
    };

    ServerConnection connection(network, CancelThrough(hooks.run));
    // Greeting. A failure is remembered, yet the login is still tried.
    std::string reply;
    bool greetingFailed = false;
    TlsOutcome tls;
    out.result = OpenProtected(connection, in, tls, reply, greetingFailed);
    CopyTlsOutcome(tls, out);
    if (out.result != kStatusOk)
        return;
    if (greetingFailed)
        out.result = kStatusConnect;
    LineChannel line(connection.socket());
    std::string timestamp = ApopTimestamp(reply);
    reply.clear();

    // Login.
    if (in.apop) {
        // Without the server's timestamp the digest would be an unsalted hash
        // of the password, readable on the way and open to offline guessing:
        // no login at all, and never USER/PASS instead.
        if (timestamp.empty()) {
            if (out.result == kStatusOk) {
                out.result = kStatusNoApop;
                line.SendRecvLine("QUIT\r\n", &reply, kLoginReplyCapacity);
            }
            return;
        }
        std::string digest = MakeApopDigest(timestamp + in.password);
        if (line.CompletedReply("APOP " + in.user + " " + digest + "\r\n", reply,
                                kLoginReplyCapacity) != kLineOk)
            out.result = kStatusUser;
    } else {
        int sent = line.CompletedReply("USER " + in.user + "\r\n", reply, kLoginReplyCapacity);
        if (sent != kLineOk)
            out.result = kStatusUser;
        // An unanswered user name ends the login: the password would wait
        // for the same silent server once more.
        if (sent == kLineOk && !ContainsErr(reply)) {
            reply.clear();
            if (line.CompletedReply("PASS " + in.password + "\r\n", reply, kLoginReplyCapacity) !=
                kLineOk)
                out.result = kStatusPassword;
        }
    }
    rearm();
    if (out.result != kStatusOk)
        return;
    if (ContainsErr(reply)) {
        // A mailbox locked by another session (RFC 2449's IN-USE), or one
        // logged into too recently by another program (LOGIN-DELAY), is no
        // wrong password: it is what "another application is checking" says.
        const bool busy = FindTextNoCase(reply, "[IN-USE]") != kNotFound ||
                          FindTextNoCase(reply, "[LOGIN-DELAY]") != kNotFound;
        out.result = busy ? kStatusOtherApp : kStatusLogin;
        return;
    }
    Transaction(line, in, out, hooks).Run();
}

int ProbeServerCertificate(Network& network, PopSessionInput in, TlsOutcome& tls) {
    if (SecurityFromSetting(in.security) == kSecurityPlain)
        in.security = kSecurityStls;
    ServerConnection connection(network, {});
    std::string greeting;
    bool greetingFailed = false;
    int result = OpenProtected(connection, in, tls, greeting, greetingFailed);
    if (result == kStatusOk) {
        LineChannel line(connection.socket());
        std::string reply;
        line.SendRecvLine("QUIT\r\n", &reply, kLoginReplyCapacity);
    }
    return result;
}

}  // namespace pell
