#include "support/scripted_network.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace pell::test {
namespace {

class ScriptedSocket final : public SocketChannel {
  public:
    ScriptedSocket(std::shared_ptr<ScriptedMailbox> mailbox, bool connectFails)
        : mailbox_(std::move(mailbox)), connectFails_(connectFails) {}

    void SetTimeouts(int) override {}
    bool Connect(std::uint32_t, std::uint16_t port) override {
        mailbox_->connectedPort = port;
        if (connectFails_)
            return false;
        outgoing_ = mailbox_->greeting;
        return true;
    }
    bool Send(std::string_view data) override {
        if (cancelled_)
            return false;
        ++mailbox_->sends;
        std::size_t lines = 0;
        while (!data.empty()) {
            const std::size_t end = data.find("\r\n");
            std::string line(data.substr(0, end));
            data.remove_prefix(end == std::string_view::npos ? data.size() : end + 2);
            mailbox_->mostCommandsInOneSend = std::max(mailbox_->mostCommandsInOneSend, ++lines);
            mailbox_->commands.push_back(line);
            if (mailbox_->failSendsFrom >= 0 &&
                mailbox_->commands.size() > static_cast<std::size_t>(mailbox_->failSendsFrom))
                return false;
            if (mailbox_->onCommand)
                mailbox_->onCommand(line);
            if (cancelled_)
                return false;
            Answer(line);
        }
        return true;
    }
    int Receive(char* buffer, std::size_t size) override {
        if (cancelled_)
            return -1;
        std::size_t n = std::min(size, outgoing_.size());
        std::memcpy(buffer, outgoing_.data(), n);
        outgoing_.erase(0, n);
        return static_cast<int>(n);
    }
    void Cancel() override { cancelled_ = true; }
    void Close() override {}

  private:
    void Answer(const std::string& line) {
        std::string verb = line.substr(0, line.find(' '));
        std::string rest = line.size() > verb.size() ? line.substr(verb.size() + 1) : "";
        int n = std::atoi(rest.c_str());
        const auto& messages = mailbox_->messages;
        bool exists = n >= 1 && n <= static_cast<int>(messages.size());
        if (verb == "USER") {
            outgoing_ += "+OK\r\n";
        } else if (verb == "PASS") {
            outgoing_ += rest == mailbox_->password ? "+OK\r\n" : "-ERR denied\r\n";
        } else if (verb == "STAT") {
            std::size_t total = 0;
            for (const auto& m : messages)
                total += m.size();
            outgoing_ +=
                "+OK " + std::to_string(messages.size()) + " " + std::to_string(total) + "\r\n";
        } else if (verb == "LIST") {
            outgoing_ += exists ? "+OK " + std::to_string(n) + " " +
                                      std::to_string(messages[n - 1].size()) + "\r\n"
                                : "-ERR no such message\r\n";
        } else if (verb == "TOP" || verb == "RETR") {
            outgoing_ += exists ? "+OK\r\n" + messages[n - 1] + "\r\n.\r\n" : "-ERR no\r\n";
        } else if (verb == "CAPA") {
            if (mailbox_->capabilities.empty()) {
                outgoing_ += "-ERR unknown command\r\n";
            } else {
                outgoing_ += "+OK\r\n";
                for (const std::string& capability : mailbox_->capabilities)
                    outgoing_ += capability + "\r\n";
                outgoing_ += ".\r\n";
            }
        } else if (verb == "UIDL" && !mailbox_->uidlReply.empty()) {
            outgoing_ += mailbox_->uidlReply;
        } else if (verb == "UIDL" && !mailbox_->uidlRefused) {
            outgoing_ += "+OK\r\n";
            for (std::size_t i = 1; i <= messages.size(); ++i)
                outgoing_ += std::to_string(i) + " " + UidlOf(*mailbox_, i) + "\r\n";
            outgoing_ += ".\r\n";
        } else if (verb == "STLS") {
            outgoing_ += mailbox_->stlsReply;
        } else if (verb == "QUIT") {
            outgoing_ += mailbox_->quitReply;
        } else {
            outgoing_ += "-ERR\r\n";
        }
    }

    std::shared_ptr<ScriptedMailbox> mailbox_;
    bool connectFails_;
    std::string outgoing_;
    std::atomic<bool> cancelled_{false};
};

}  // namespace

std::shared_ptr<SocketChannel> ScriptedNetwork::CreateSocket() {
    ++socketsCreated;
    return std::make_shared<ScriptedSocket>(mailbox_, connectFails);
}

// The handshake is make-believe: the same socket carries on as if protected.
std::shared_ptr<SocketChannel> ScriptedNetwork::StartTls(std::shared_ptr<SocketChannel> socket,
                                                         const TlsRequest& request,
                                                         TlsOutcome& outcome) {
    mailbox_->tlsRequests.push_back(request);
    mailbox_->commandsBeforeTls = mailbox_->commands.size();
    outcome = mailbox_->tlsOutcome;
    return outcome.status == 0 ? socket : nullptr;
}

std::string UidlOf(const ScriptedMailbox& mailbox, std::size_t n) {
    if (n <= mailbox.uidls.size())
        return mailbox.uidls[n - 1];
    return "h" + std::to_string(std::hash<std::string>{}(mailbox.messages[n - 1]));
}

std::string MakeMessage(const std::string& id, const std::string& subject) {
    return "Message-ID: " + id + "\r\nSubject: " + subject +
           "\r\nFrom: someone@example.org\r\nDate: Tue, 3 Feb 2004 21:05:09 +0900\r\n\r\nbody\r\n";
}

}  // namespace pell::test
