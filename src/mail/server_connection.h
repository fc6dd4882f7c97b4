#pragma once
// The opening steps shared by the mail protocols: socket library, address,
// socket, time-outs, the other-program test, connect, and the TLS handshake
// on demand. Owns the socket (and the protected channel over it), closes it
// on every way out, and lets another thread cancel it.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "mail/socket_channel.h"

namespace pell {

// Where an open connection registers how to unblock it from another thread
// (a check's run, an idle watcher's control); empty members: nobody cancels.
struct CancelRegistration {
    std::function<void(std::function<void()>)> set;
    std::function<void()> clear;
};

template <class Owner>
CancelRegistration CancelThrough(Owner* owner) {
    if (!owner)
        return {};
    return {[owner](std::function<void()> hook) { owner->SetCancelHook(std::move(hook)); },
            [owner] { owner->ClearCancelHook(); }};
}

struct ServerEndpoint {
    std::string server;
    // Nothing: the port of the "pop3" service, or 110 when the system does
    // not know it (asked once the socket library is up).
    std::optional<std::uint16_t> port;
    int timeoutSeconds = 0;  // 0 = none
    std::string certFingerprint;
    // Refuse to connect while another program holds a connection to the
    // same server and port (a POP3 mailbox is locked by its session).
    bool exclusive = true;
};

class ServerConnection {
  public:
    ServerConnection(Network& network, CancelRegistration cancel)
        : network_(network), cancel_(std::move(cancel)) {}
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // 0 when connected, else the status code of the failed step.
    int Open(const ServerEndpoint& endpoint);
    // The handshake over the open connection; from then on socket() is the
    // protected channel.
    TlsOutcome StartTls();

    SocketChannel& socket() { return tls_ ? *tls_ : *socket_; }

  private:
    Network& network_;
    CancelRegistration cancel_;
    ServerEndpoint endpoint_;
    bool started_ = false;
    std::shared_ptr<SocketChannel> socket_;
    std::shared_ptr<SocketChannel> tls_;
};

// The platforms take socket time-outs in milliseconds as 32-bit values.
inline constexpr int kMaxSocketTimeoutSeconds = 4294966;

}  // namespace pell
