// The Winsock implementation of the socket interface, on 127.0.0.1 only.
#include <winsock2.h>
// The socket headers must come before the rest of the platform headers.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "mail/socket_channel.h"

namespace pell {
namespace {

class Listener {
  public:
    Listener() {
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(socket_, 4);
        int length = sizeof address;
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Listener() { closesocket(socket_); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    SOCKET Accept() { return accept(socket_, nullptr, nullptr); }
    std::uint16_t port() const { return port_; }

  private:
    SOCKET socket_;
    std::uint16_t port_ = 0;
};

class SocketChannelWin32Test : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(network_->Startup()); }
    void TearDown() override { network_->Cleanup(); }
    std::unique_ptr<Network> network_ = MakePlatformNetwork();
    const std::uint32_t loopback_ = htonl(INADDR_LOOPBACK);
};

TEST_F(SocketChannelWin32Test, ResolvesDottedAddresses) {
    EXPECT_EQ(network_->Resolve("127.0.0.1"), loopback_);
}

TEST_F(SocketChannelWin32Test, ExchangesBytesAndSeesItsOwnConnection) {
    Listener listener;
    EXPECT_FALSE(network_->IsOtherAppConnected(loopback_, listener.port()));
    auto socket = network_->CreateSocket();
    ASSERT_TRUE(socket);
    socket->SetTimeouts(5);
    ASSERT_TRUE(socket->Connect(loopback_, listener.port()));
    SOCKET peer = listener.Accept();
    EXPECT_TRUE(network_->IsOtherAppConnected(loopback_, listener.port()));

    ASSERT_TRUE(socket->Send("STAT\r\n"));
    char buffer[16] = {};
    ASSERT_EQ(recv(peer, buffer, sizeof buffer, 0), 6);
    EXPECT_EQ(std::string(buffer, 6), "STAT\r\n");
    send(peer, "+OK 0 0\r\n", 9, 0);
    EXPECT_EQ(socket->Receive(buffer, sizeof buffer), 9);
    closesocket(peer);
    EXPECT_EQ(socket->Receive(buffer, sizeof buffer), 0);  // the peer closed
    socket->Close();
}

TEST_F(SocketChannelWin32Test, CancelEndsABlockingReceive) {
    Listener listener;
    auto socket = network_->CreateSocket();
    ASSERT_TRUE(socket->Connect(loopback_, listener.port()));
    SOCKET peer = listener.Accept();
    std::thread canceller([socket] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        socket->Cancel();
    });
    char buffer[16];
    EXPECT_LE(socket->Receive(buffer, sizeof buffer), 0);
    canceller.join();
    EXPECT_FALSE(socket->Send("QUIT\r\n"));
    closesocket(peer);
}

// The idle watcher's wait: it leaves the bytes for Receive, times out, and a
// cancel from another thread ends it at once.
TEST_F(SocketChannelWin32Test, WaitForDataLeavesTheBytesAndEndsOnCancel) {
    Listener listener;
    auto socket = network_->CreateSocket();
    socket->SetTimeouts(5);
    ASSERT_TRUE(socket->Connect(loopback_, listener.port()));
    SOCKET peer = listener.Accept();
    EXPECT_EQ(socket->WaitForData(50), 0);
    send(peer, "* 1 EXISTS\r\n", 12, 0);
    EXPECT_EQ(socket->WaitForData(5000), 1);
    EXPECT_EQ(socket->WaitForData(5000), 1);  // still there
    char buffer[16];
    EXPECT_EQ(socket->Receive(buffer, sizeof buffer), 12);
    std::thread canceller([socket] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        socket->Cancel();
    });
    EXPECT_EQ(socket->WaitForData(60 * 1000), -1);
    canceller.join();
    closesocket(peer);
}

TEST_F(SocketChannelWin32Test, ClosedPortRefusesTheConnection) {
    std::uint16_t port;
    {
        Listener listener;
        port = listener.port();
    }
    auto socket = network_->CreateSocket();
    EXPECT_FALSE(socket->Connect(loopback_, port));
}

// A server that takes the hello and answers nothing, or sends noise: the
// handshake ends at the time-out or at the cancel, and the noise is refused.
TEST_F(SocketChannelWin32Test, HandshakeEndsOnSilenceCancelOrNoise) {
    for (int mode : {0, 1, 2}) {
        Listener listener;
        auto socket = network_->CreateSocket();
        if (mode == 0)
            socket->SetTimeouts(1);
        ASSERT_TRUE(socket->Connect(loopback_, listener.port()));
        SOCKET peer = listener.Accept();
        std::thread server([peer, mode, socket] {
            if (mode == 1) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                socket->Cancel();
            } else if (mode == 2) {
                std::string noise(1 << 20, '\x16');
                send(peer, noise.data(), static_cast<int>(noise.size()), 0);
            }
        });
        TlsOutcome outcome;
        EXPECT_EQ(network_->StartTls(socket, TlsRequest{"localhost", ""}, outcome), nullptr);
        EXPECT_EQ(outcome.status, kStatusTlsFailed) << mode;
        socket->Close();
        server.join();
        closesocket(peer);
    }
}

}  // namespace
}  // namespace pell
