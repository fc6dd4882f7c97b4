#pragma once
// A POP3 server for tests: listens on 127.0.0.1 at a free port and runs a
// script for each connection on its own thread. Scripts send byte chunks and
// read command lines; MailboxScript plays a well-behaved server with knobs for
// the hostile cases.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pell::test {

class FakeConnection {
  public:
    explicit FakeConnection(int fd) : fd_(fd) {}
    // Sends the bytes; with chunk > 0 in pieces of that size, each sent alone.
    bool Send(std::string_view bytes, std::size_t chunk = 0);
    // The next line from the client without its CR LF; nothing when it closed.
    bool ReadLine(std::string& line);
    // Waits until the client closes (a silent server).
    void WaitForClose();
    void Close();
    // Ends the connection with a reset instead of an orderly close.
    void Reset();

  private:
    int fd_;
    std::string pending_;
};

class FakePop3Server {
  public:
    using Script = std::function<void(FakeConnection&)>;
    explicit FakePop3Server(Script script);
    ~FakePop3Server();
    FakePop3Server(const FakePop3Server&) = delete;
    FakePop3Server& operator=(const FakePop3Server&) = delete;

    std::uint16_t port() const { return port_; }
    int connections() const { return connections_.load(); }

  private:
    void Serve();

    Script script_;
    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::vector<std::thread> workers_;
    std::mutex lock_;
    std::vector<int> openFds_;
    std::thread acceptor_;
};

// A mailbox server. Messages are numbered from 1; each is a full message text
// (head CR LF CR LF body) without the end marker.
struct MailboxScript {
    std::vector<std::string> messages;
    std::string greeting = "+OK ready <1896.697170952@dbc.mtview.ca.us>\r\n";
    std::string password = "secret";
    std::string passRefusal = "-ERR wrong password\r\n";  // the answer to a wrong password
    std::string apopDigest;                               // accepted APOP digest (empty: any)
    std::size_t chunk = 0;                                // write size (0 = whole replies)
    std::string statOverride;                             // a STAT reply to use instead
    std::string listOverride;                             // a LIST reply to use instead
    bool topError = false;                                // answer TOP/RETR with -ERR
    bool closeInTop = false;           // close the connection in the middle of a TOP reply
    bool silentAfterGreeting = false;  // say nothing after the greeting
    bool resetAfterStat = false;       // reset the connection right after the STAT reply
    std::string quitReply = "+OK bye\r\n";
    // The answer to CAPA: these lines (none: "-ERR", a server without CAPA);
    // UIDL is answered with "u" and the message number unless refused.
    std::vector<std::string> capabilities;
    bool uidlRefused = false;

    // Shared with the test: every command line received, in order.
    std::shared_ptr<std::vector<std::string>> commands =
        std::make_shared<std::vector<std::string>>();
    std::shared_ptr<std::mutex> commandsLock = std::make_shared<std::mutex>();

    std::vector<std::string> Commands() const;
    void operator()(FakeConnection& connection) const;
};

}  // namespace pell::test
