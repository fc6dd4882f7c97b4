// POSIX sockets behind the socket interface (the Linux build and its tests).
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include "mail/platform_tls.h"
#include "mail/socket_channel.h"
#include "mail/tcp_table.h"

namespace pell {
namespace {

class PosixSocket final : public SocketChannel {
  public:
    explicit PosixSocket(int fd) : fd_(fd) {}
    ~PosixSocket() override { Close(); }
    PosixSocket(const PosixSocket&) = delete;
    PosixSocket& operator=(const PosixSocket&) = delete;

    void SetTimeouts(int seconds) override {
        timeval tv{};
        tv.tv_sec = seconds;
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    }

    bool Connect(std::uint32_t address, std::uint16_t port) override {
        if (cancelled())
            return false;
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        peer.sin_addr.s_addr = address;
        int rc;
        do {
            rc = connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
        } while (rc != 0 && errno == EINTR && !cancelled());
        return rc == 0 && !cancelled();
    }

    bool Send(std::string_view data) override {
        if (cancelled())
            return false;
        ssize_t sent = send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        return sent >= 0 && static_cast<std::size_t>(sent) == data.size();
    }

    int Receive(char* buffer, std::size_t size) override {
        if (cancelled())
            return -1;
        for (;;) {
            ssize_t got = recv(fd_, buffer, size, 0);
            if (got >= 0)
                return cancelled() ? -1 : static_cast<int>(got);
            if (errno != EINTR || cancelled())
                return -1;
        }
    }

    int WaitForData(int milliseconds) override {
        if (cancelled())
            return -1;
        pollfd entry{fd_, POLLIN, 0};
        int ready;
        do {
            ready = poll(&entry, 1, milliseconds);
        } while (ready < 0 && errno == EINTR && !cancelled());
        if (ready < 0 || cancelled())
            return -1;
        return ready > 0 ? 1 : 0;
    }

    void Cancel() override {
        std::lock_guard<std::mutex> guard(lock_);
        cancelled_ = true;
        if (fd_ >= 0)
            shutdown(fd_, SHUT_RDWR);
    }

    void Close() override {
        std::lock_guard<std::mutex> guard(lock_);
        if (fd_ < 0)
            return;
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        fd_ = -1;
    }

  private:
    bool cancelled() {
        std::lock_guard<std::mutex> guard(lock_);
        return cancelled_;
    }

    int fd_;
    std::mutex lock_;
    bool cancelled_ = false;
};

class PosixNetwork final : public Network {
  public:
    bool Startup() override { return true; }
    void Cleanup() override {}

    std::optional<std::uint32_t> Resolve(const std::string& server) override {
        in_addr_t dotted = inet_addr(server.c_str());
        if (dotted != INADDR_NONE)
            return dotted;
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
        servent entry{};
        servent* result = nullptr;
        char scratch[1024];
        if (getservbyname_r("pop3", nullptr, &entry, scratch, sizeof scratch, &result) != 0 ||
            !result)
            return std::nullopt;
        return ntohs(static_cast<std::uint16_t>(result->s_port));
    }

    bool IsOtherAppConnected(std::uint32_t address, std::uint16_t port) override {
        std::ifstream file("/proc/net/tcp", std::ios::binary);
        if (!file)
            return false;
        std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        return HasOpenConnection(ParseProcNetTcp(text), address, port);
    }

    std::shared_ptr<SocketChannel> CreateSocket() override {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return nullptr;
        return std::make_shared<PosixSocket>(fd);
    }

    std::shared_ptr<SocketChannel> StartTls(std::shared_ptr<SocketChannel> socket,
                                            const TlsRequest& request,
                                            TlsOutcome& outcome) override {
        return StartPlatformTls(std::move(socket), request, outcome);
    }
};

}  // namespace

std::unique_ptr<Network> MakePlatformNetwork() {
    return std::make_unique<PosixNetwork>();
}

}  // namespace pell
