#pragma once
// An in-memory POP3 mailbox behind the socket interface, for tests that need
// a whole session without a network (portable, also under Wine).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mail/socket_channel.h"

namespace pell::test {

struct ScriptedMailbox {
    std::vector<std::string> messages;  // head CR LF CR LF body, numbered from 1
    std::string password = "secret";
    std::string quitReply = "+OK bye\r\n";
    // From this command on (0-based, in sending order) every send fails, as
    // on a connection the server has reset; -1: none fails.
    int failSendsFrom = -1;
    // Called with each command line (without CR LF) before it is answered.
    std::function<void(const std::string&)> onCommand;
    std::vector<std::string> commands;  // what the client sent
    // The protected connection: the answer to STLS, what a handshake gives,
    // and what the client asked for.
    std::string stlsReply = "+OK begin TLS\r\n";
    TlsOutcome tlsOutcome{0,      "TLSv1.3", "TLS_AES_128_GCM_SHA256", std::string(64, 'A'), "CN=x",
                          "CN=y", 0};
    std::vector<TlsRequest> tlsRequests;
    std::size_t commandsBeforeTls = 0;
    std::uint16_t connectedPort = 0;
};

class ScriptedNetwork final : public Network {
  public:
    explicit ScriptedNetwork(std::shared_ptr<ScriptedMailbox> mailbox)
        : mailbox_(std::move(mailbox)) {}

    bool resolveFails = false;
    bool otherAppConnected = false;
    bool connectFails = false;
    int socketsCreated = 0;

    bool Startup() override { return true; }
    void Cleanup() override {}
    std::optional<std::uint32_t> Resolve(const std::string&) override;
    std::optional<std::uint16_t> Pop3ServicePort() override { return 110; }
    bool IsOtherAppConnected(std::uint32_t, std::uint16_t) override { return otherAppConnected; }
    std::shared_ptr<SocketChannel> CreateSocket() override;
    std::shared_ptr<SocketChannel> StartTls(std::shared_ptr<SocketChannel> socket,
                                            const TlsRequest& request,
                                            TlsOutcome& outcome) override;

  private:
    std::shared_ptr<ScriptedMailbox> mailbox_;
};

// A message with the given Message-ID and subject.
std::string MakeMessage(const std::string& id, const std::string& subject);

}  // namespace pell::test
