#pragma once
// An in-memory IMAP server behind the socket interface, for tests of whole
// IMAP conversations without a network (portable, also under Wine). It plays
// a well-behaved server over a list of messages, with knobs for the hostile
// and broken cases, and records what the client sent.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "mail/socket_channel.h"
#include "support/scripted_network_base.h"

namespace pell::test {

struct ImapTestMessage {
    std::uint32_t uid = 0;
    std::string text;  // head CR LF CR LF body
    bool seen = false;
};

// What the server sends while the client idles, one step per wait.
struct IdleStep {
    enum Kind { kSend, kQuiet, kClose };
    Kind kind = kSend;
    std::string bytes;  // for kSend
};

struct ImapServerScript {
    std::string greeting = "* OK [CAPABILITY IMAP4rev1 STARTTLS AUTH=PLAIN IDLE] ready\r\n";
    // CAPABILITY answers before and after STARTTLS.
    std::string capabilities = "IMAP4rev1 STARTTLS AUTH=PLAIN IDLE";
    std::string tlsCapabilities = "IMAP4rev1 AUTH=PLAIN IDLE";
    std::string user = "user";
    std::string password = "secret";
    std::vector<std::string> folders = {"INBOX"};  // as sent, in modified UTF-7
    std::uint32_t uidValidity = 7;
    std::uint32_t uidNext = 1;  // raised past the messages' UIDs
    bool announceUidNext = true;
    std::vector<ImapTestMessage> messages;
    // Receive hands out at most this many bytes per call (0: everything).
    std::size_t chunk = 0;
    // Answers a command (tag, the command without its tag) with these bytes
    // instead of the normal answer, when it returns some; "{tag}" in them is
    // replaced by the command's tag.
    std::function<std::optional<std::string>(const std::string& command)> answer;
    // Bytes sent right behind the tagged answer to STARTTLS.
    std::string afterStartTls;
    // What happens while the client idles; when the steps are used up the
    // wait blocks until the client cancels it (blockWhenIdle; onBlock runs
    // once as it begins) or times out.
    std::vector<IdleStep> idleSteps;
    bool blockWhenIdle = false;
    std::function<void()> onBlock;
    bool answerDone = true;        // false: DONE goes unanswered
    std::function<void()> onIdle;  // called when IDLE is accepted
    TlsOutcome tlsOutcome{0,      "TLSv1.3", "TLS_AES_128_GCM_SHA256", std::string(64, 'B'), "CN=x",
                          "CN=y", 0};

    // What the client did.
    std::vector<std::string> commands;  // each command line (literals inline)
    std::size_t commandsBeforeTls = 0;
    int tlsHandshakes = 0;
    std::uint16_t connectedPort = 0;
    std::size_t bytesReceivedByClient = 0;
};

class ScriptedImapNetwork final : public ScriptedNetworkBase {
  public:
    explicit ScriptedImapNetwork(std::shared_ptr<ImapServerScript> script)
        : script_(std::move(script)) {}

    std::shared_ptr<SocketChannel> CreateSocket() override;
    std::shared_ptr<SocketChannel> StartTls(std::shared_ptr<SocketChannel> socket,
                                            const TlsRequest& request,
                                            TlsOutcome& outcome) override;

  private:
    std::shared_ptr<ImapServerScript> script_;
};

// A message with the given Message-ID, subject and body.
std::string ImapMessageText(const std::string& id, const std::string& subject,
                            const std::string& body = "body line\r\n");

}  // namespace pell::test
