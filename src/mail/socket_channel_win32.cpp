// Winsock behind the socket interface, and the connection table of the IP
// helper library (loaded at the first check that reads it).
#include <winsock2.h>
// The socket headers must come before the rest of the platform headers.
#include <ws2tcpip.h>

#include <iphlpapi.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "mail/loaded_library_win32.h"
#include "mail/platform_tls.h"
#include "mail/socket_channel.h"
#include "mail/tcp_table.h"

namespace pell {
namespace {

// Blocking calls of the socket library are not reliably ended by another
// thread's shutdown, so waits are done in short select steps that look at the
// cancel flag; the handle itself is closed only by its owner.
class WinsockSocket final : public SocketChannel {
  public:
    explicit WinsockSocket(SOCKET s)
        : socket_(s), cancelEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~WinsockSocket() override {
        Close();
        if (cancelEvent_)
            CloseHandle(cancelEvent_);
    }
    WinsockSocket(const WinsockSocket&) = delete;
    WinsockSocket& operator=(const WinsockSocket&) = delete;

    void SetTimeouts(int seconds) override {
        timeoutMs_ = static_cast<DWORD>(seconds) * 1000;
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs_),
                   sizeof timeoutMs_);
        setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeoutMs_),
                   sizeof timeoutMs_);
    }

    bool Connect(std::uint32_t address, std::uint16_t port) override {
        if (cancelled_)
            return false;
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        peer.sin_addr.s_addr = address;
        u_long nonBlocking = 1;
        ioctlsocket(socket_, FIONBIO, &nonBlocking);
        bool connected =
            connect(socket_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
        if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
            // Wait until the attempt succeeds or fails, or the check is cancelled.
            for (;;) {
                fd_set writable, failed;
                FD_ZERO(&writable);
                FD_ZERO(&failed);
                FD_SET(socket_, &writable);
                FD_SET(socket_, &failed);
                timeval step{0, kStepMicroseconds};
                int ready = select(0, nullptr, &writable, &failed, &step);
                if (cancelled_ || ready == SOCKET_ERROR)
                    break;
                if (ready == 0)
                    continue;
                connected = FD_ISSET(socket_, &writable) && !FD_ISSET(socket_, &failed);
                break;
            }
        }
        nonBlocking = 0;
        ioctlsocket(socket_, FIONBIO, &nonBlocking);
        return connected && !cancelled_;
    }

    bool Send(std::string_view data) override {
        if (cancelled_)
            return false;
        int sent = send(socket_, data.data(), static_cast<int>(data.size()), 0);
        return sent != SOCKET_ERROR && static_cast<std::size_t>(sent) == data.size();
    }

    int Receive(char* buffer, std::size_t size) override {
        const ULONGLONG start = GetTickCount64();
        for (;;) {
            if (cancelled_)
                return -1;
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(socket_, &readable);
            timeval step{0, kStepMicroseconds};
            int ready = select(0, &readable, nullptr, nullptr, &step);
            if (ready == SOCKET_ERROR)
                return -1;
            if (ready > 0)
                break;
            if (timeoutMs_ != 0 && GetTickCount64() - start >= timeoutMs_)
                return -1;
        }
        if (cancelled_)
            return -1;
        int got = recv(socket_, buffer, static_cast<int>(size), 0);
        if (got == SOCKET_ERROR || cancelled_)
            return -1;
        return got;
    }

    // One wait on the socket's events and the cancel event: no wake-ups in
    // between, however long the wait (an idle connection waits for minutes).
    int WaitForData(int milliseconds) override {
        if (cancelled_)
            return -1;
        if (!cancelEvent_)
            return 1;
        WSAEVENT readable = WSACreateEvent();
        if (readable == WSA_INVALID_EVENT)
            return 1;
        int result = -1;
        if (WSAEventSelect(socket_, readable, FD_READ | FD_CLOSE) == 0) {
            HANDLE events[2] = {readable, cancelEvent_};
            DWORD waited =
                WaitForMultipleObjects(2, events, FALSE, static_cast<DWORD>(milliseconds));
            result = waited == WAIT_OBJECT_0 ? 1 : waited == WAIT_TIMEOUT ? 0 : -1;
            // Back to a plain blocking socket for the receives.
            WSAEventSelect(socket_, nullptr, 0);
            u_long blocking = 0;
            ioctlsocket(socket_, FIONBIO, &blocking);
        }
        WSACloseEvent(readable);
        return cancelled_ ? -1 : result;
    }

    void Cancel() override {
        cancelled_ = true;
        if (cancelEvent_)
            SetEvent(cancelEvent_);
        std::lock_guard<std::mutex> guard(lock_);
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
    static constexpr long kStepMicroseconds = 100 * 1000;

    SOCKET socket_;
    HANDLE cancelEvent_;
    DWORD timeoutMs_ = 0;
    std::atomic<bool> cancelled_{false};
    std::mutex lock_;
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
        // The host entry lives in per-thread storage of the socket library.
        const hostent* host = gethostbyname(server.c_str());
        if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list ||
            !host->h_addr_list[0])
            return std::nullopt;
        std::uint32_t address;
        std::memcpy(&address, host->h_addr_list[0], sizeof address);
        return address;
    }

    std::optional<std::uint16_t> Pop3ServicePort() override {
        const servent* entry = getservbyname("pop3", nullptr);
        if (!entry)
            return std::nullopt;
        return ntohs(static_cast<u_short>(entry->s_port));
    }

    bool IsOtherAppConnected(std::uint32_t address, std::uint16_t port) override {
        using GetTcpTableFn = DWORD(WINAPI*)(PMIB_TCPTABLE, PULONG, BOOL);
        struct IpHelper;
        const auto readTable =
            EntryPointForRun<IpHelper, GetTcpTableFn>("IPHLPAPI.DLL", "GetTcpTable");
        // Without the table nobody can be seen holding the server.
        if (!readTable)
            return false;
        ULONG size = 0;
        readTable(nullptr, &size, FALSE);
        if (size == 0)
            return false;
        std::vector<unsigned char> buffer(size);
        auto* table = reinterpret_cast<MIB_TCPTABLE*>(buffer.data());
        if (readTable(table, &size, FALSE) != NO_ERROR)
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

    std::shared_ptr<SocketChannel> StartTls(std::shared_ptr<SocketChannel> socket,
                                            const TlsRequest& request,
                                            TlsOutcome& outcome) override {
        return StartPlatformTls(std::move(socket), request, outcome);
    }
};

}  // namespace

std::unique_ptr<Network> MakePlatformNetwork() {
    return std::make_unique<WinsockNetwork>();
}

}  // namespace pell
