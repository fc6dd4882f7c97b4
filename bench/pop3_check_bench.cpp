// What a check of a Dovecot mailbox of 1000 messages, the newest 50 of them
// new, costs on a slow line: every connection goes through a loopback proxy
// that holds each direction back by 25 ms (a 50 ms round trip, like a home
// line to a large provider), and the round trips are counted (a round trip:
// the client waits for a reply). Beside the program's check, the floor of the
// old way of counting: a minimal client that sends LIST and TOP for each
// message from the newest down to the first seen one. Plain and TLS from the
// first byte; with PIPELINING as Dovecot announces it, and without (the
// announcement taken out of the CAPA reply on its way). Then a check with
// nothing new, through the proxy and on loopback.
//
//   pop3_check_bench            the table (medians of several runs)
//   pop3_check_bench --smoke    one run of each without delay: checks that the
//                               counts are exact and the round trips within
//                               their bounds (the test command runs this)
//
// Needs root (the server's mail user) and Dovecot; everything stays on
// 127.0.0.1.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "character/window_messages.h"
#include "mail/check_cycle.h"
#include "mail/check_services.h"
#include "mail/pop_session.h"
#include "mail/seen_uidl_store.h"
#include "settings/account_list.h"
#include "settings/ini_file_store.h"
#include "settings/password_scramble.h"

namespace pell {
namespace {

constexpr int kMessages = 1000;
constexpr int kNew = 50;
constexpr char kUser[] = "pelltest";
constexpr char kPassword[] = "pw-Secret9";
using Clock = std::chrono::steady_clock;

std::string SourceRoot() {
    return std::filesystem::path(__FILE__).parent_path().parent_path().string();
}

std::string MessageId(int n) {
    return "<msg" + std::to_string(n) + "@pell.test>";
}

// ---------------------------------------------------------------------------
// The delaying proxy: each accepted connection is joined to the server, and
// every chunk in either direction is passed on `delay` after it arrived.

int Listener(std::uint16_t& port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 8) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        std::abort();
    port = ntohs(address.sin_port);
    return fd;
}

int ConnectLoopback(std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

class DelayProxy {
  public:
    DelayProxy(std::uint16_t target, std::chrono::milliseconds delay)
        : target_(target), delay_(delay), listener_(Listener(port_)) {
        acceptor_ = std::thread([this] { Accept(); });
    }
    ~DelayProxy() {
        shutdown(listener_, SHUT_RDWR);
        acceptor_.join();
        close(listener_);
    }
    std::uint16_t port() const { return port_; }

  private:
    struct Chunk {
        Clock::time_point due;
        std::string bytes;  // empty: the sender closed
    };

    // One direction: a reader queues what arrives, a writer passes it on when due.
    void Pipe(int from, int to) {
        std::mutex lock;
        std::condition_variable ready;
        std::deque<Chunk> queue;
        std::thread writer([&] {
            for (;;) {
                std::unique_lock<std::mutex> guard(lock);
                ready.wait(guard, [&] { return !queue.empty(); });
                Chunk chunk = std::move(queue.front());
                queue.pop_front();
                guard.unlock();
                std::this_thread::sleep_until(chunk.due);
                if (chunk.bytes.empty() ||
                    send(to, chunk.bytes.data(), chunk.bytes.size(), MSG_NOSIGNAL) !=
                        static_cast<ssize_t>(chunk.bytes.size())) {
                    shutdown(to, SHUT_WR);
                    return;
                }
            }
        });
        char buffer[65536];
        for (;;) {
            ssize_t got = recv(from, buffer, sizeof buffer, 0);
            std::lock_guard<std::mutex> guard(lock);
            queue.push_back({Clock::now() + delay_,
                             got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : ""});
            ready.notify_one();
            if (got <= 0)
                break;
        }
        writer.join();
    }

    void Accept() {
        std::vector<std::thread> connections;
        for (;;) {
            int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                break;
            int one = 1;
            setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            connections.emplace_back([this, client] {
                int server = ConnectLoopback(target_);
                if (server >= 0) {
                    std::thread up([&] { Pipe(client, server); });
                    Pipe(server, client);
                    up.join();
                    close(server);
                }
                close(client);
            });
        }
        for (std::thread& connection : connections)
            connection.join();
    }

    std::uint16_t target_;
    std::chrono::milliseconds delay_;
    std::uint16_t port_ = 0;
    int listener_;
    std::thread acceptor_;
};

// ---------------------------------------------------------------------------
// Round trips, counted where the client sees plain text: a receive that
// follows a send is one; those after the password's answer are the check's.

struct RoundTrips {
    int total = 0;
    int afterLogin = 0;
    std::size_t mostCommandsInOneSend = 0;
};

class CountingChannel final : public SocketChannel {
  public:
    CountingChannel(std::shared_ptr<SocketChannel> inner, RoundTrips& trips, bool hidePipelining)
        : inner_(std::move(inner)), trips_(trips), hidePipelining_(hidePipelining) {}
    void SetTimeouts(int seconds) override { inner_->SetTimeouts(seconds); }
    bool Connect(std::uint32_t address, std::uint16_t port) override {
        return inner_->Connect(address, port);
    }
    bool Send(std::string_view data) override {
        if (loggedIn_)
            checking_ = true;
        if (data.rfind("PASS ", 0) == 0)
            loggedIn_ = true;
        const auto lines = static_cast<std::size_t>(std::count(data.begin(), data.end(), '\n'));
        trips_.mostCommandsInOneSend = std::max(trips_.mostCommandsInOneSend, lines);
        waiting_ = true;
        return inner_->Send(data);
    }
    int Receive(char* buffer, std::size_t size) override {
        if (waiting_) {
            waiting_ = false;
            ++trips_.total;
            if (checking_)
                ++trips_.afterLogin;
        }
        int got = inner_->Receive(buffer, size);
        if (got > 0 && hidePipelining_) {
            // A server without PIPELINING: its line leaves the CAPA reply.
            std::string text(buffer, static_cast<std::size_t>(got));
            const std::size_t at = text.find("\r\nPIPELINING\r\n");
            if (at != std::string::npos) {
                text.erase(at, 12);
                std::memcpy(buffer, text.data(), text.size());
                got = static_cast<int>(text.size());
            }
        }
        return got;
    }
    void Cancel() override { inner_->Cancel(); }
    void Close() override { inner_->Close(); }

  private:
    std::shared_ptr<SocketChannel> inner_;
    RoundTrips& trips_;
    bool hidePipelining_;
    bool waiting_ = true;  // the greeting is waited for too
    bool loggedIn_ = false;
    bool checking_ = false;
};

// The platform's network with the channel the session talks through counted.
class CountingNetwork final : public Network {
  public:
    explicit CountingNetwork(Network& inner) : inner_(inner) {}
    RoundTrips trips;
    bool hidePipelining = false;

    bool Startup() override { return inner_.Startup(); }
    void Cleanup() override { inner_.Cleanup(); }
    std::optional<std::uint32_t> Resolve(const std::string& server) override {
        return inner_.Resolve(server);
    }
    std::optional<std::uint16_t> Pop3ServicePort() override { return inner_.Pop3ServicePort(); }
    bool IsOtherAppConnected(std::uint32_t address, std::uint16_t port) override {
        return inner_.IsOtherAppConnected(address, port);
    }
    std::shared_ptr<SocketChannel> CreateSocket() override {
        raw_ = inner_.CreateSocket();
        return raw_ ? std::make_shared<CountingChannel>(raw_, trips, hidePipelining) : nullptr;
    }
    std::shared_ptr<SocketChannel> StartTls(std::shared_ptr<SocketChannel>,
                                            const TlsRequest& request,
                                            TlsOutcome& outcome) override {
        // The handshake runs on the raw socket; the protected channel is the
        // one counted.
        auto tls = inner_.StartTls(raw_, request, outcome);
        return tls ? std::make_shared<CountingChannel>(tls, trips, hidePipelining) : nullptr;
    }

  private:
    Network& inner_;
    std::shared_ptr<SocketChannel> raw_;
};

// ---------------------------------------------------------------------------

class QuietHost final : public CheckHost {};

struct Result {
    double seconds = 0;
    RoundTrips trips;
    int newCount = -1;
    int status = 0;
};

class Bench {
  public:
    explicit Bench(std::chrono::milliseconds delay) : delay_(delay) {}
    ~Bench() {
        proxies_.clear();
        if (started_)
            std::system(
                (SourceRoot() + "/tests/integration/dovecot_fixture.sh stop " + dir_).c_str());
        std::filesystem::remove_all(dir_);
        SSL_CTX_free(floorContext_);
    }

    bool SetUp() {
        dir_ = (std::filesystem::temp_directory_path() /
                ("pell_pop3_bench_" + std::to_string(getpid())))
                   .string();
        if (std::system((SourceRoot() + "/tests/integration/dovecot_fixture.sh start " + dir_ +
                         " >/dev/null")
                            .c_str()) != 0)
            return false;
        started_ = true;
        std::uint16_t port = 0, tlsPort = 0;
        std::ifstream(dir_ + "/port") >> port;
        std::ifstream(dir_ + "/tls_port") >> tlsPort;
        setenv("SSL_CERT_FILE", (dir_ + "/certs/ca.crt").c_str(), 1);
        floorContext_ = SSL_CTX_new(TLS_client_method());
        for (int n = 1; n <= kMessages; ++n) {
            char name[64];
            std::snprintf(name, sizeof name, "/home/Maildir/cur/%010d.M%dP1.bench:2,", n, n);
            std::ofstream(dir_ + name, std::ios::binary)
                << "Message-ID: " << MessageId(n) << "\r\nFrom: sender" << n
                << "@pell.test\r\nSubject: Bench message " << n
                << "\r\nDate: Tue, 3 Feb 2004 21:05:09 +0900\r\n\r\n"
                << std::string(2000, 'b') << "\r\nline two\r\n";
        }
        std::system(("chown -R pellmail:pellmail " + dir_ + "/home/").c_str());
        // Accounts: plain and TLS, each through the proxy and directly.
        proxies_.push_back(std::make_unique<DelayProxy>(port, delay_));
        proxies_.push_back(std::make_unique<DelayProxy>(tlsPort, delay_));
        const struct {
            const char* server;
            std::uint16_t port;
            int security;
        } accounts[] = {{"127.0.0.1", proxies_[0]->port(), 0},
                        {"localhost", proxies_[1]->port(), 2},
                        {"127.0.0.1", port, 0}};
        ini_ = dir_ + "/Zeririvu.ini";
        std::ofstream file(ini_, std::ios::binary);
        file << "[Poplist]\r\nCount=3\r\nList1=POP1\r\nList2=POP2\r\nList3=POP3\r\n";
        for (int i = 0; i < 3; ++i) {
            file << "[POP" << i + 1 << "]\r\nPopname=Bench" << i
                 << "\r\nServer=" << accounts[i].server << "\r\nPort=" << accounts[i].port
                 << "\r\nSecurity=" << accounts[i].security << "\r\nUser=" << kUser
                 << "\r\nPassword=" << ScramblePassword(kPassword) << "\r\nTimeOut=60\r\n";
        }
        file.close();
        settings_ = std::make_unique<IniFileStore>(ini_);
        seenUidls_ = std::make_unique<SeenUidlFile>(SeenUidlPathFor(ini_), PlatformFileAccess());
        accounts_ = LoadAccountList(*settings_);
        for (std::size_t i = 0; i < accounts_->size(); ++i)
            (*accounts_)[i].timerId = kFirstCheckTimer + static_cast<std::uint32_t>(i);
        network_ = MakePlatformNetwork();
        clock_ = MakeLocalClock();
        sound_ = MakeSoundPlayer();
        dialup_ = MakeDialupProbe();
        plainPort_ = proxies_[0]->port();
        tlsPort_ = proxies_[1]->port();
        // The server indexes the mailbox once, as it would have long before.
        return Floor(false).newCount == kNew;
    }

    enum Account { kPlain = 0, kTls = 1, kLoopback = 2 };

    // The state after a check that saw the oldest 950 messages: the next
    // check finds 50 new (or, with `seeAll`, none).
    void SeenUpTo(int newest) {
        for (int account = 0; account < 3; ++account) {
            const std::string section = "POP" + std::to_string(account + 1);
            settings_->Write(section, "Mesid", MessageId(newest) + ",");
            // What a check of that state would have kept.
            SeenUidls seen;
            seen.mailbox = MailboxIdentity(settings_->ReadText(section, "Server", "", 100),
                                           settings_->ReadText(section, "Port", "", 10), kUser);
            seen.seenIdsHash = SeenIdsHash(MessageId(newest) + ",");
            for (int n = 1; n <= newest; ++n)
                seen.uidls.push_back(uidls_.at(static_cast<std::size_t>(n - 1)));
            seenUidls_->Save(section, seen, {});
        }
    }

    // Learns the server's UIDLs once (a check of its own, not measured).
    bool LearnUidls() {
        WaitForClosedConnections();
        PopSessionInput in;
        in.server = "127.0.0.1";
        in.portText = std::to_string(static_cast<int>(LoopbackPort()));
        in.user = kUser;
        in.password = kPassword;
        in.seenIds = MessageId(kMessages) + ",";
        PopSessionOutput out;
        RunPopSession(*network_, in, out, {});
        if (!out.uidls || out.uidls->size() != kMessages)
            return false;
        uidls_ = *out.uidls;
        return true;
    }

    Result Check(Account account, bool pipelining) {
        WaitForClosedConnections();
        CountingNetwork network(*network_);
        network.hidePipelining = !pipelining;
        CheckStartBlock block;
        block.host = host_;
        block.timerId = kFirstCheckTimer + account;
        block.accounts = accounts_;
        block.passRunning = true;
        (*accounts_)[account].status = -3;
        CheckEnvironment env{*settings_, network, *clock_, *sound_, *dialup_, nullptr};
        env.seenUidls = seenUidls_.get();
        Result result;
        const auto start = Clock::now();
        const CheckOutcome outcome = RunCheckCycle(block, env);
        result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        result.trips = network.trips;
        result.newCount = outcome.newCount;
        result.status = outcome.status;
        return result;
    }

    // The old way: LIST and TOP for each message from the newest down to
    // the first seen one (message 950), one command at a time.
    Result Floor(bool tls) {
        WaitForClosedConnections();
        Result result;
        const auto start = Clock::now();
        int fd = ConnectLoopback(tls ? tlsPort_ : plainPort_);
        SSL* ssl = nullptr;
        if (fd < 0 || (tls && !(ssl = SSL_new(floorContext_)))) {
            close(fd);
            return result;
        }
        if (ssl) {
            SSL_set_fd(ssl, fd);
            if (SSL_connect(ssl) != 1) {
                SSL_free(ssl);
                close(fd);
                return result;
            }
        }
        std::string pending;
        bool waiting = true, checking = false;
        auto readUntil = [&](const char* end) {
            if (waiting) {
                waiting = false;
                ++result.trips.total;
                result.trips.afterLogin += checking ? 1 : 0;
            }
            std::size_t at;
            char buffer[65536];
            while ((at = pending.find(end)) == std::string::npos) {
                int got = ssl ? SSL_read(ssl, buffer, sizeof buffer)
                              : static_cast<int>(recv(fd, buffer, sizeof buffer, 0));
                if (got <= 0)
                    return false;
                pending.append(buffer, static_cast<std::size_t>(got));
            }
            pending.erase(0, at + std::strlen(end));
            return true;
        };
        auto command = [&](const std::string& text) {
            waiting = true;
            const int size = static_cast<int>(text.size());
            return ssl ? SSL_write(ssl, text.data(), size) == size
                       : send(fd, text.data(), text.size(), MSG_NOSIGNAL) == size;
        };
        bool good = readUntil("\r\n") && command(std::string("USER ") + kUser + "\r\n") &&
                    readUntil("\r\n") && command(std::string("PASS ") + kPassword + "\r\n") &&
                    readUntil("\r\n");
        checking = true;
        good = good && command("STAT\r\n") && readUntil("\r\n");
        int fetched = 0;
        for (int n = kMessages; good && n >= kMessages - kNew; --n) {
            good = command("LIST " + std::to_string(n) + "\r\n") && readUntil("\r\n") &&
                   command("TOP " + std::to_string(n) + " 10\r\n") && readUntil("\r\n.\r\n");
            fetched += good ? 1 : 0;
        }
        good = good && command("QUIT\r\n") && readUntil("\r\n");
        SSL_free(ssl);
        close(fd);
        result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        result.newCount = good ? fetched - 1 : -1;
        return result;
    }

  private:
    std::uint16_t LoopbackPort() {
        return static_cast<std::uint16_t>(settings_->ReadInt("POP3", "Port", 0));
    }

    // The last check's connection may still be closing down; it would count
    // as another program's connection to the same server.
    void WaitForClosedConnections() {
        for (int i = 0; i < 200; ++i) {
            const std::uint32_t loopback = htonl(INADDR_LOOPBACK);
            if (!network_->IsOtherAppConnected(loopback, plainPort_) &&
                !network_->IsOtherAppConnected(loopback, tlsPort_) &&
                !network_->IsOtherAppConnected(loopback, LoopbackPort()))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    std::chrono::milliseconds delay_;
    std::string dir_;
    std::string ini_;
    bool started_ = false;
    std::vector<std::unique_ptr<DelayProxy>> proxies_;
    std::uint16_t plainPort_ = 0;
    std::uint16_t tlsPort_ = 0;
    SSL_CTX* floorContext_ = nullptr;
    std::vector<std::string> uidls_;
    std::unique_ptr<IniFileStore> settings_;
    std::unique_ptr<SeenUidlFile> seenUidls_;
    std::shared_ptr<AccountList> accounts_;
    std::shared_ptr<QuietHost> host_ = std::make_shared<QuietHost>();
    std::unique_ptr<Network> network_;
    std::unique_ptr<pell::Clock> clock_;
    std::unique_ptr<SoundPlayer> sound_;
    std::unique_ptr<DialupProbe> dialup_;
};

Result Median(std::vector<Result> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Result& a, const Result& b) { return a.seconds < b.seconds; });
    return runs[runs.size() / 2];
}

struct Row {
    const char* name;
    int expectedNew;
    int maxRoundTrips;  // after the login; 0: not bounded
    std::function<Result()> run;
};

int Main(bool smoke) {
    const auto delay = std::chrono::milliseconds(smoke ? 0 : 25);
    Bench bench(delay);
    if (!bench.SetUp()) {
        std::fprintf(stderr, "bench set-up failed: no Dovecot with the 1000 messages\n");
        return 1;
    }
    if (!bench.LearnUidls()) {
        std::fprintf(stderr, "bench set-up failed: the server listed no UIDLs\n");
        return 1;
    }
    const int runs = smoke ? 1 : 7;
    auto fifty = [&](Bench::Account account, bool pipelining) {
        return [&bench, account, pipelining] {
            bench.SeenUpTo(kMessages - kNew);
            return bench.Check(account, pipelining);
        };
    };
    auto none = [&](Bench::Account account) {
        return [&bench, account] {
            bench.SeenUpTo(kMessages);
            return bench.Check(account, true);
        };
    };
    const Row rows[] = {
        {"program, PIPELINING, plain", kNew, 6, fifty(Bench::kPlain, true)},
        {"program, PIPELINING, TLS", kNew, 6, fifty(Bench::kTls, true)},
        {"program, no PIPELINING, plain", kNew, 55, fifty(Bench::kPlain, false)},
        {"program, no PIPELINING, TLS", kNew, 55, fifty(Bench::kTls, false)},
        {"floor LIST+TOP each, plain", kNew, 0, [&bench] { return bench.Floor(false); }},
        {"floor LIST+TOP each, TLS", kNew, 0, [&bench] { return bench.Floor(true); }},
        {"nothing new, plain", 0, 3, none(Bench::kPlain)},
        {"nothing new, TLS", 0, 3, none(Bench::kTls)},
    };
    std::printf("1000 messages, %d new; each direction delayed by %d ms\n", kNew,
                static_cast<int>(delay.count()));
    std::printf("%-32s %10s %12s %12s %5s\n", "check", "wall ms", "round trips", "after login",
                "new");
    bool good = true;
    for (const Row& row : rows) {
        std::vector<Result> results;
        for (int i = 0; i < runs; ++i)
            results.push_back(row.run());
        const Result r = Median(results);
        std::printf("%-32s %10.1f %12d %12d %5d\n", row.name, r.seconds * 1000, r.trips.total,
                    r.trips.afterLogin, r.newCount);
        if (r.newCount != row.expectedNew ||
            (row.maxRoundTrips && r.trips.afterLogin > row.maxRoundTrips)) {
            std::fprintf(stderr, "bench set-up failed: %s: status %d, new %d, %d round trips\n",
                         row.name, r.status, r.newCount, r.trips.afterLogin);
            good = false;
        }
    }
    // The cost of a check with nothing new where the line costs nothing.
    std::vector<Result> loopback;
    for (int i = 0; i < (smoke ? 1 : 31); ++i) {
        bench.SeenUpTo(kMessages);
        loopback.push_back(bench.Check(Bench::kLoopback, true));
    }
    const Result r = Median(loopback);
    std::printf("%-32s %10.2f %12d %12d %5d\n", "nothing new, loopback", r.seconds * 1000,
                r.trips.total, r.trips.afterLogin, r.newCount);
    good = good && r.newCount == 0;
    return good ? 0 : 1;
}

}  // namespace
}  // namespace pell

int main(int argc, char** argv) {
    const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    return pell::Main(smoke);
}
