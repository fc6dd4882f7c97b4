// Winsock behind the socket interface, and the connection table of the IP
// helper library.
#include <winsock2.h>
// The socket headers must come before the rest of the platform headers.
#include <ws2tcpip.h>

#include <iphlpapi.h>
#include <windows.h>

#include <mutex>
#include <vector>

#include "mail/socket_channel.h"
#include "mail/tcp_table.h"

namespace pell {
namespace {

class WinsockSocket final : public SocketChannel {
  public:
    explicit WinsockSocket(SOCKET s) : socket_(s) {}
    ~WinsockSocket() override { Close(); }
    WinsockSocket(const WinsockSocket&) = delete;
    WinsockSocket& operator=(const WinsockSocket&) = delete;

    void SetTimeouts(int seconds) override {
        DWORD ms = static_cast<DWORD>(seconds) * 1000;
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
        setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
    }

    bool Connect(std::uint32_t address, std::uint16_t port) override {
        if (cancelled())
            return false;
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        peer.sin_addr.s_addr = address;
        return connect(socket_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0 &&
               !cancelled();
    }

    bool Send(std::string_view data) override {
        if (cancelled())
            return false;
        int sent = send(socket_, data.data(), static_cast<int>(data.size()), 0);
        return sent != SOCKET_ERROR && static_cast<std::size_t>(sent) == data.size();
    }

    int Receive(char* buffer, std::size_t size) override {
        if (cancelled())
            return -1;
        int got = recv(socket_, buffer, static_cast<int>(size), 0);
        if (got == SOCKET_ERROR || cancelled())
            return -1;
        return got;
    }

    void Cancel() override {
        std::lock_guard<std::mutex> guard(lock_);
        cancelled_ = true;
        if (socket_ != INVALID_SOCKET)
            shutdown(socket_, SD_BOTH);
    }

    void Close() override {
        std::lock_guard<std::mutex> guard(lock_);
        if (socket_ == INVALID_SOCKET)
            return;
        shutdown(socket_, SD_BOTH);
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }

  private:
    bool cancelled() {
        std::lock_guard<std::mutex> guard(lock_);
        return cancelled_;
    }

    SOCKET socket_;
    std::mutex lock_;
    bool cancelled_ = false;
};

class WinsockNetwork final : public Network {
  public:
    bool Startup() override {
        WSADATA data;
        return WSAStartup(MAKEWORD(1, 1), &data) == 0;
    }
    void Cleanup() override { WSACleanup(); }

    std::optional<std::uint32_t> Resolve(const std::string& server) override {
        unsigned long dotted = inet_addr(server.c_str());
        if (dotted != INADDR_NONE)
            return static_cast<std::uint32_t>(dotted);
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(server.c_str(), nullptr, &hints, &found) != 0 || !found)
            return std::nullopt;
        std::uint32_t address =
            reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
        freeaddrinfo(found);
        return address;
    }

    std::optional<std::uint16_t> Pop3ServicePort() override {
        const servent* entry = getservbyname("pop3", nullptr);
        if (!entry)
            return std::nullopt;
        return ntohs(static_cast<u_short>(entry->s_port));
    }

    bool IsOtherAppConnected(std::uint32_t address, std::uint16_t port) override {
        ULONG size = 0;
        GetTcpTable(nullptr, &size, FALSE);
        if (size == 0)
            return false;
        std::vector<unsigned char> buffer(size);
        auto* table = reinterpret_cast<MIB_TCPTABLE*>(buffer.data());
        if (GetTcpTable(table, &size, FALSE) != NO_ERROR)
            return false;
        std::vector<TcpRow> rows;
        rows.reserve(table->dwNumEntries);
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            const MIB_TCPROW& source = table->table[i];
            TcpRow row;
            row.remoteAddress = source.dwRemoteAddr;
            row.remotePort = ntohs(static_cast<u_short>(source.dwRemotePort & 0xFFFF));
            row.state = static_cast<int>(source.dwState);
            rows.push_back(row);
        }
        return HasOpenConnection(rows, address, port);
    }

    std::shared_ptr<SocketChannel> CreateSocket() override {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        if (s == INVALID_SOCKET)
            return nullptr;
        return std::make_shared<WinsockSocket>(s);
    }
};

}  // namespace

std::unique_ptr<Network> MakePlatformNetwork() {
    return std::make_unique<WinsockNetwork>();
}

}  // namespace pell
