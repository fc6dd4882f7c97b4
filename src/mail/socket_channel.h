#pragma once
// The small socket interface under the POP3 line channel: one TCP connection
// with blocking calls, and the network services needed to open it. The
// platform files implement it with Winsock or POSIX sockets; tests use a
// loopback server or fakes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "mail/status_codes.h"

namespace pell {

// One TCP connection. Send and Receive are called by the worker only; Cancel
// may be called from any thread at any time, also after Close.
class SocketChannel {
  public:
    virtual ~SocketChannel() = default;

    // Sets the receive and send time-outs (seconds, 0 = none).
    virtual void SetTimeouts(int seconds) = 0;
    // Connects to an IPv4 address (network byte order) and a port (host order).
    virtual bool Connect(std::uint32_t address, std::uint16_t port) = 0;
    // Sends all bytes in one call; false on failure.
    virtual bool Send(std::string_view data) = 0;
    // Receives up to `size` bytes: the count received, 0 when the peer closed,
    // -1 on failure or time-out.
    virtual int Receive(char* buffer, std::size_t size) = 0;
    // Makes a blocking call return and every later call fail.
    virtual void Cancel() = 0;
    // Waits up to `milliseconds` until a Receive would not wait (data, or the
    // peer's close) or the channel is cancelled, without taking anything and
    // without waking up on the way: 1 ready, 0 the time passed, -1 failed or
    // cancelled. A channel that cannot wait answers 1 at once.
    virtual int WaitForData(int /*milliseconds*/) { return 1; }
    // Shuts both directions down and closes the socket (idempotent).
    virtual void Close() = 0;
};

// What a TLS handshake is to check.
struct TlsRequest {
    std::string serverName;   // the account's server: the name the certificate must carry
    std::string pinnedPrint;  // CertFingerprint as stored (may be empty)
};

// What a TLS handshake found; the certificate fields are filled whenever the
// server presented one, also when it was refused.
struct TlsOutcome {
    int status = kStatusTlsFailed;  // 0, or the TLS-failed or bad-certificate code
    std::string protocol;           // for example "TLSv1.3"
    std::string cipher;
    std::string fingerprint;  // SHA-256 of the server certificate, 64 upper-case hex digits
    std::string subject;      // the certificate's subject name (UTF-8), for a person to read
    std::string issuer;       // the name of its issuer (UTF-8)
    unsigned problems = 0;    // why it was not verified (CertificateProblem bits); 0 when it was
};

// The services the opening steps need.
class Network {
  public:
    virtual ~Network() = default;

    // Starts the socket library; false on failure. Each successful Startup is
    // matched by one Cleanup.
    virtual bool Startup() = 0;
    virtual void Cleanup() = 0;
    // A dotted IPv4 address, else the first address of the host name; the
    // address in network byte order, or nothing when it cannot be resolved.
    virtual std::optional<std::uint32_t> Resolve(const std::string& server) = 0;
    // The port of the "pop3" service (host order), or nothing when unknown.
    virtual std::optional<std::uint16_t> Pop3ServicePort() = 0;
    // True when a TCP connection to that address and port is open.
    virtual bool IsOtherAppConnected(std::uint32_t address, std::uint16_t port) = 0;
    // A new stream socket, or null.
    virtual std::shared_ptr<SocketChannel> CreateSocket() = 0;
    // Runs a TLS handshake over a connected socket: the protected channel on
    // top of it when the outcome's status is 0, else null. The channel passes
    // time-outs and cancelling on to the socket below.
    virtual std::shared_ptr<SocketChannel> StartTls(std::shared_ptr<SocketChannel> /*socket*/,
                                                    const TlsRequest& /*request*/,
                                                    TlsOutcome& outcome) {
        outcome.status = kStatusTlsFailed;
        return nullptr;
    }
};

// The platform's network (Winsock or POSIX sockets).
std::unique_ptr<Network> MakePlatformNetwork();

}  // namespace pell
