#pragma once
// The network services under the scripted servers: the socket library always
// starts, every name resolves to 127.0.0.1, and the knobs make the opening
// steps fail one at a time. A scripted server adds its sockets and handshake.
#include <cstdint>
#include <optional>
#include <string>

#include "mail/socket_channel.h"

namespace pell::test {

class ScriptedNetworkBase : public Network {
  public:
    bool resolveFails = false;
    bool otherAppConnected = false;
    bool connectFails = false;

    bool Startup() override { return true; }
    void Cleanup() override {}
    std::optional<std::uint32_t> Resolve(const std::string&) override {
        if (resolveFails)
            return std::nullopt;
        return 0x0100007Fu;
    }
    std::optional<std::uint16_t> Pop3ServicePort() override { return 110; }
    bool IsOtherAppConnected(std::uint32_t, std::uint16_t) override { return otherAppConnected; }
};

}  // namespace pell::test
