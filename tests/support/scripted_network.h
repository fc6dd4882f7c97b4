#pragma once
// An in-memory POP3 mailbox behind the socket interface, for tests that need
// a whole session without a network (portable, also under Wine).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mail/socket_channel.h"
#include "support/scripted_network_base.h"

namespace pell::test {

struct ScriptedMailbox {
    std::vector<std::string> messages;  // head CR LF CR LF body, numbered from 1
    std::string greeting = "+OK ready <1.2@test>\r\n";
    std::string password = "secret";
    std::string quitReply = "+OK bye\r\n";
    // From this command on (0-based, in sending order) every send fails, as
    // on a connection the server has reset; -1: none fails.
    int failSendsFrom = -1;
    // Called with each command line (without CR LF) before it is answered.
    std::function<void(const std::string&)> onCommand;
    std::vector<std::string> commands;  // what the client sent
    // The answer to CAPA: these lines (none: "-ERR", a server without CAPA).
    std::vector<std::string> capabilities;
    // The UIDL of each message (message 1 first); a message beyond the list
    // has one made from its text, so that it keeps it when others go.
    std::vector<std::string> uidls;
    bool uidlRefused = false;
    std::string uidlReply;  // a UIDL reply to send instead (may be cut off)
    // What the client's writes looked like: how many there were, and the
    // most command lines one of them held (more than one: pipelined).
    int sends = 0;
    std::size_t mostCommandsInOneSend = 0;
    // The protected connection: the answer to STLS, what a handshake gives,
    // and what the client asked for.
    std::string stlsReply = "+OK begin TLS\r\n";
    TlsOutcome tlsOutcome{0,      "TLSv1.3", "TLS_AES_128_GCM_SHA256", std::string(64, 'A'), "CN=x",
                          "CN=y", 0};
    std::vector<TlsRequest> tlsRequests;
    std::size_t commandsBeforeTls = 0;
    std::uint16_t connectedPort = 0;
};

class ScriptedNetwork final : public ScriptedNetworkBase {
  public:
    explicit ScriptedNetwork(std::shared_ptr<ScriptedMailbox> mailbox)
        : mailbox_(std::move(mailbox)) {}

    int socketsCreated = 0;

    std::shared_ptr<SocketChannel> CreateSocket() override;
    std::shared_ptr<SocketChannel> StartTls(std::shared_ptr<SocketChannel> socket,
                                            const TlsRequest& request,
                                            TlsOutcome& outcome) override;

  private:
    std::shared_ptr<ScriptedMailbox> mailbox_;
};

// A message with the given Message-ID and subject.
std::string MakeMessage(const std::string& id, const std::string& subject);

// The UIDL the scripted server gives message n (1-based).
std::string UidlOf(const ScriptedMailbox& mailbox, std::size_t n);

// A server that announces UIDL and TOP, and PIPELINING when asked to.
inline std::vector<std::string> Capabilities(bool pipelining) {
    std::vector<std::string> list = {"TOP", "UIDL", "USER"};
    if (pipelining)
        list.push_back("PIPELINING");
    return list;
}

}  // namespace pell::test
