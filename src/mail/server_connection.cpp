#include "mail/server_connection.h"

#include <algorithm>

#include "mail/status_codes.h"

namespace pell {
namespace {

constexpr std::uint16_t kDefaultPop3Port = 110;

}  // namespace

ServerConnection::~ServerConnection() {
    if (cancel_.clear && socket_)
        cancel_.clear();
    if (tls_)
        tls_->Close();
    if (socket_)
        socket_->Close();
    if (started_)
        network_.Cleanup();
}

int ServerConnection::Open(const ServerEndpoint& endpoint) {
    endpoint_ = endpoint;
    if (!network_.Startup())
        return kStatusSocketLibrary;
    started_ = true;
    auto address = network_.Resolve(endpoint.server);
    if (!address)
        return kStatusResolve;
    socket_ = network_.CreateSocket();
    if (!socket_)
        return kStatusNoSocket;
    if (cancel_.set) {
        std::shared_ptr<SocketChannel> socket = socket_;
        cancel_.set([socket] { socket->Cancel(); });
    }
    if (endpoint.timeoutSeconds > 0)
        socket_->SetTimeouts(std::min(endpoint.timeoutSeconds, kMaxSocketTimeoutSeconds));
    const std::uint16_t port =
        endpoint.port ? *endpoint.port : network_.Pop3ServicePort().value_or(kDefaultPop3Port);
    if (endpoint.exclusive && network_.IsOtherAppConnected(*address, port))
        return kStatusOtherApp;
    if (!socket_->Connect(*address, port))
        return kStatusConnect;
    return kStatusOk;
}

TlsOutcome ServerConnection::StartTls() {
    TlsOutcome outcome;
    tls_ = network_.StartTls(socket_, TlsRequest{endpoint_.server, endpoint_.certFingerprint},
                             outcome);
    if (outcome.status == kStatusOk && !tls_)
        outcome.status = kStatusTlsFailed;
    if (outcome.status != kStatusOk)
        tls_.reset();
    return outcome;
}

}  // namespace pell
