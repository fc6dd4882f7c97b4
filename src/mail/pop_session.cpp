#include "mail/pop_session.h"

#include <algorithm>
#include <cstdio>

#include "mail/apop_digest.h"
#include "mail/check_run.h"
#include "mail/message_identity.h"
#include "mail/status_codes.h"
#include "mail/tls_policy.h"
#include "settings/settings_store.h"
#include "startup/text_search.h"

namespace pell {
namespace {

constexpr std::uint16_t kDefaultPop3Port = 110;
// The platforms take socket time-outs in milliseconds as 32-bit values.
constexpr int kMaxTimeoutSeconds = 4294966;
// The scan fetches at most this many new messages, and looks at most at this
// many message numbers (some may have no usable LIST reply), before it counts
// the rest as new.
constexpr int kMaxNewFetched = static_cast<int>(kMaxSummaries);
constexpr int kMaxLooked = 2 * kMaxNewFetched;

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

// Owns the open socket of a session: closes it and ends the socket library on
// every way out, and lets an abandoned check cancel it from another thread.
class OpenConnection {
  public:
    OpenConnection(Network& network, CheckRun* run) : network_(network), run_(run) {}
    ~OpenConnection() {
        if (run_ && socket_)
            run_->ClearCancelHook();
        if (tls_)
            tls_->Close();
        if (socket_)
            socket_->Close();
        if (started_)
            network_.Cleanup();
    }
    OpenConnection(const OpenConnection&) = delete;
    OpenConnection& operator=(const OpenConnection&) = delete;

    // The opening steps; 0 when connected, else the status code.
    int Open(const PopSessionInput& in) {
        if (!network_.Startup())
            return kStatusSocketLibrary;
        started_ = true;
        auto address = network_.Resolve(in.server);
        if (!address)
            return kStatusResolve;
        socket_ = network_.CreateSocket();
        if (!socket_)
            return kStatusNoSocket;
        if (run_) {
            std::shared_ptr<SocketChannel> socket = socket_;
            run_->SetCancelHook([socket] { socket->Cancel(); });
        }
        if (in.timeoutSeconds > 0)
            socket_->SetTimeouts(std::min(in.timeoutSeconds, kMaxTimeoutSeconds));
        std::optional<std::uint16_t> port = PortFromText(in.portText);
        if (!port && SecurityFromSetting(in.security) == kSecurityImplicit)
            port = kPop3TlsPort;
        if (!port)
            port = network_.Pop3ServicePort();
        if (!port)
            port = kDefaultPop3Port;
        if (network_.IsOtherAppConnected(*address, *port))
            return kStatusOtherApp;
        if (!socket_->Connect(*address, *port))
            return kStatusConnect;
        return kStatusOk;
    }

    // The handshake over the open connection; from then on socket() is the
    // protected channel.
    TlsOutcome StartTls(const PopSessionInput& in) {
        TlsOutcome outcome;
        tls_ = network_.StartTls(socket_, TlsRequest{in.server, in.certFingerprint}, outcome);
        if (outcome.status == kStatusOk && !tls_)
            outcome.status = kStatusTlsFailed;
        if (outcome.status != kStatusOk)
            tls_.reset();
        return outcome;
    }

    SocketChannel& socket() { return tls_ ? *tls_ : *socket_; }

  private:
    Network& network_;
    CheckRun* run_;
    bool started_ = false;
    std::shared_ptr<SocketChannel> socket_;
    std::shared_ptr<SocketChannel> tls_;
};

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
int OpenProtected(OpenConnection& connection, const PopSessionInput& in, TlsOutcome& tls,
                  std::string& greeting, bool& greetingFailed) {
    int result = connection.Open(in);
    if (result != kStatusOk)
        return result;
    const ConnectionSecurity security = SecurityFromSetting(in.security);
    if (security == kSecurityImplicit) {
        tls = connection.StartTls(in);
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
    tls = connection.StartTls(in);
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

void RunPopSession(Network& network, const PopSessionInput& in, PopSessionOutput& out,
                   const PopSessionHooks& hooks) {
    out.result = kStatusOk;
    out.messageCount = 0;
    out.mailboxSize = 0;
    out.newCount = 0;
    auto rearm = [&hooks] {
        if (hooks.rearmWatchdog)
            hooks.rearmWatchdog();
    };
    auto abandoned = [&hooks] { return hooks.run && hooks.run->abandoned(); };

    OpenConnection connection(network, hooks.run);
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
        out.result = kStatusLogin;
        return;
    }

    // Mailbox size.
    std::string listReply;
    bool scan = true;
    if (line.SendRecvLine("STAT\r\n", nullptr, 0) != kLineOk ||
        line.CompletedReply(std::nullopt, listReply, kListReplyCapacity) != kLineOk ||
        BeginsWithMinus(listReply)) {
        out.result = kStatusList;
        scan = false;
    } else {
        std::optional<int> count = NumberBehindBlank(listReply, 1);
        if (!count || *count <= 0) {
            scan = false;
        } else {
            out.messageCount = *count;
            out.mailboxSize = std::max(0, NumberBehindBlank(listReply, 2).value_or(0));
        }
    }

    if (scan) {
        const std::string& seen = in.seenIds;
        // The list may hold as much as the settings file keeps, whatever the
        // number of messages: an id longer than a per-message share must still
        // be remembered, or its message would count as new at every check.
        const std::size_t listCapacity = kSeenIdListCapacity - 1;
        out.newSeenIds.emplace();
        out.summaries = std::make_unique<MailSummaryList>();
        std::string message;
        int& k = out.newCount;
        int looked = 0;
        for (int n = out.messageCount; n >= 1; --n) {
            // A connection that has ended answers nothing more.
            if (line.ended() || abandoned())
                break;
            // When the seen messages are gone from the server (a mail program
            // that downloads and deletes), the scan would walk the whole
            // mailbox: past the bound the rest counts as new without a fetch.
            if (k >= kMaxNewFetched || looked >= kMaxLooked) {
                k += n;
                break;
            }
            ++looked;
            // A command that cannot be sent ends the scan: the connection is
            // gone, and every further message would fail the same way.
            if (line.SendRecvLine(Format("LIST %d\r\n", n), nullptr, 0) != kLineOk) {
                out.result = kStatusList;
                break;
            }
            listReply.clear();
            line.SendRecvLine(std::nullopt, &listReply, kListReplyCapacity);
            if (BeginsWithMinus(listReply)) {
                out.result = kStatusList;
                continue;
            }
            std::optional<int> size = NumberBehindBlank(listReply, 2);
            if (!size)
                continue;

            std::string command =
                in.readAll ? Format("RETR %d \r\n", n) : Format("TOP %d %d\r\n", n, in.getLines);
            if (hooks.trace)
                hooks.trace(command);
            rearm();
            if (line.SendRecvLine(command, nullptr, 0) != kLineOk) {
                out.result = kStatusTop;
                break;
            }
            const std::size_t messageSize = static_cast<std::size_t>(std::max(0, *size));
            MultiLineResult read =
                line.ReadMultiLine(message, messageSize, kMaxMessageText, hooks.trace);
            if (read.end != MultiLineEnd::kMarker) {
                // No TOP on this server, or the connection ended: no message
                // can be read any more.
                out.result = kStatusTop;
                break;
            }

            // The id alone decides; the full summary is made only when kept.
            std::string id = CleanMessageId(ExtractMessageId(message));
            if (id.empty())
                id = SyntheticMessageId(message, messageSize);
            bool stop = false;
            if (IsSeenMessage(seen, id)) {
                stop = true;
            } else {
                if (seen.empty()) {
                    stop = true;
                    k = out.messageCount - 1;
                }
                if (k < static_cast<int>(kMaxSummaries)) {
                    out.summaries->push_back(
                        ExtractMessage(message, in.readAll, in.getLines).summary);
                }
                ++k;
            }
            // Every fetched message is remembered, so that the next check stops
            // at the newest of them.
            std::string& list = *out.newSeenIds;
            if (list.size() + id.size() + 1 <= listCapacity) {
                list += id;
                list += ',';
            }
            message.clear();
            if (stop)
                break;
        }
    }

    // Closing command.
    reply.clear();
    rearm();
    if (line.SendRecvLine("QUIT\r\n", &reply, kLoginReplyCapacity) != kLineOk) {
        if (out.result == kStatusOk)
            out.result = kStatusQuit;
        return;
    }
    if (out.result == kStatusOk) {
        if (ContainsErr(reply)) {
            out.result = kStatusLogin;
        } else if (reply.empty()) {
            out.result = kStatusSilent;
        }
    }
}

int ProbeServerCertificate(Network& network, PopSessionInput in, TlsOutcome& tls) {
    if (SecurityFromSetting(in.security) == kSecurityPlain)
        in.security = kSecurityStls;
    OpenConnection connection(network, nullptr);
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
