#pragma once
// The platform's TLS client (OpenSSL on Linux, SChannel on Windows) behind the
// socket interface: Network::StartTls of each platform hands over to it.
#include <memory>

#include "mail/socket_channel.h"

namespace pell {

// Runs the client handshake over the connected socket and judges the server's
// certificate (trusted chain and name, or the pin). The TLS settings and the
// system's trusted roots are loaded once per run, at the first call.
std::shared_ptr<SocketChannel> StartPlatformTls(std::shared_ptr<SocketChannel> socket,
                                                const TlsRequest& request, TlsOutcome& outcome);

}  // namespace pell
