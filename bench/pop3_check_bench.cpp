// One check of a Dovecot mailbox of 1000 messages of which the newest 50 are
// new, against the protocol floor: a minimal client sending the same command
// sequence (USER, PASS, STAT, LIST and TOP for messages 1000 down to 950,
// QUIT) that only reads the replies. Beside the plain check, the same check
// over TLS from the first byte and over STLS, with the TLS context made once
// for the run as the program does. All run alternately in the same process
// against the same server; wall and CPU time per check are reported, and the
// ratios to the floor and to the plain check. Needs root (the server's mail
// user) and Dovecot; the server runs on 127.0.0.1 only.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "character/window_messages.h"
#include "mail/check_cycle.h"
#include "mail/check_services.h"
#include "settings/account_list.h"
#include "settings/ini_file_store.h"
#include "settings/password_scramble.h"

namespace pell {
namespace {

constexpr int kMessages = 1000;
constexpr int kNew = 50;
constexpr char kUser[] = "pelltest";
constexpr char kPassword[] = "pw-Secret9";

std::string SourceRoot() {
    std::filesystem::path file(__FILE__);
    return file.parent_path().parent_path().string();
}

std::string MessageId(int n) {
    return "<msg" + std::to_string(n) + "@pell.test>";
}

class QuietHost final : public CheckHost {};

struct Sample {
    double wall = 0;  // seconds
    double cpu = 0;   // seconds of this thread
};

double ThreadCpu() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

template <typename Work>
Sample Measure(Work work) {
    auto wall0 = std::chrono::steady_clock::now();
    double cpu0 = ThreadCpu();
    work();
    Sample s;
    s.cpu = ThreadCpu() - cpu0;
    s.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    return s;
}

class Fixture {
  public:
    static Fixture& Get() {
        static Fixture fixture;
        return fixture;
    }

    bool ok() const { return ok_; }

    // The accounts: the same mailbox in plain text, over TLS, over STLS.
    enum Account { kPlain, kTls, kStls, kAccounts };

    // Makes the newest 50 messages new again (outside the measurement).
    void ResetSeenList() {
        for (const char* section : {"POP1", "POP2", "POP3"})
            settings_->Write(section, "Mesid", MessageId(kMessages - kNew) + ",");
    }

    // One check cycle of the program, as a check started by hand.
    CheckOutcome RunCheck(Account account = kPlain) {
        CheckStartBlock block;
        block.host = host_;
        block.timerId = kFirstCheckTimer + account;
        block.accounts = accounts_;
        block.passRunning = true;
        (*accounts_)[account].status = -3;
        CheckEnvironment env{*settings_, *network_, *clock_, *sound_, *dialup_, nullptr};
        return RunCheckCycle(block, env);
    }

    bool Probe() { return network_->IsOtherAppConnected(htonl(INADDR_LOOPBACK), port_); }

    // The same commands with nothing but reading the replies, in plain text
    // or over TLS from the first byte; the number of messages fetched.
    int RunFloor(bool tls = false) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(tls ? tlsPort_ : port_);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        SSL* ssl = nullptr;
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            (tls && !(ssl = SSL_new(floorContext_)))) {
            close(fd);
            return -1;
        }
        if (ssl) {
            SSL_set_fd(ssl, fd);
            if (SSL_connect(ssl) != 1) {
                SSL_free(ssl);
                close(fd);
                return -1;
            }
        }
        auto receive = [&](char* buffer, int size) {
            return ssl ? SSL_read(ssl, buffer, size) : static_cast<int>(recv(fd, buffer, size, 0));
        };
        std::string pending;
        auto readUntil = [&](const char* end) {
            std::size_t at;
            char buffer[65536];
            while ((at = pending.find(end)) == std::string::npos) {
                int got = receive(buffer, sizeof buffer);
                if (got <= 0)
                    return false;
                pending.append(buffer, static_cast<std::size_t>(got));
            }
            pending.erase(0, at + std::strlen(end));
            return true;
        };
        auto command = [&](const std::string& text) {
            if (ssl)
                return SSL_write(ssl, text.data(), static_cast<int>(text.size())) ==
                       static_cast<int>(text.size());
            return send(fd, text.data(), text.size(), MSG_NOSIGNAL) ==
                   static_cast<ssize_t>(text.size());
        };
        int fetched = 0;
        bool good = readUntil("\r\n") && command(std::string("USER ") + kUser + "\r\n") &&
                    readUntil("\r\n") && command(std::string("PASS ") + kPassword + "\r\n") &&
                    readUntil("\r\n") && command("STAT\r\n") && readUntil("\r\n");
        for (int n = kMessages; good && n >= kMessages - kNew; --n) {
            good = command("LIST " + std::to_string(n) + "\r\n") && readUntil("\r\n") &&
                   command("TOP " + std::to_string(n) + " 10\r\n") && readUntil("\r\n.\r\n");
            if (good)
                ++fetched;
        }
        if (good)
            good = command("QUIT\r\n") && readUntil("\r\n");
        SSL_free(ssl);
        close(fd);
        return good ? fetched : -1;
    }

  private:
    Fixture() {
        dir_ = (std::filesystem::temp_directory_path() /
                ("pell_pop3_bench_" + std::to_string(getpid())))
                   .string();
        std::string start = SourceRoot() + "/tests/integration/dovecot_fixture.sh start " + dir_;
        if (std::system(start.c_str()) != 0)
            return;
        started_ = true;
        std::ifstream(dir_ + "/port") >> port_;
        std::ifstream(dir_ + "/tls_port") >> tlsPort_;
        floorContext_ = SSL_CTX_new(TLS_client_method());
        // The server's certificate comes from the fixture's test CA.
        setenv("SSL_CERT_FILE", (dir_ + "/certs/ca.crt").c_str(), 1);
        for (int n = 1; n <= kMessages; ++n) {
            char name[64];
            std::snprintf(name, sizeof name, "/home/Maildir/new/%010d.M%dP1.bench", n, n);
            std::ofstream(dir_ + name, std::ios::binary)
                << "Message-ID: " << MessageId(n) << "\r\nFrom: sender" << n
                << "@pell.test\r\nSubject: Bench message " << n
                << "\r\nDate: Tue, 3 Feb 2004 21:05:09 +0900\r\n\r\n"
                << std::string(2000, 'b') << "\r\nline two\r\n";
        }
        std::system(("chown -R pellmail:pellmail " + dir_ + "/home/").c_str());

        std::string ini = dir_ + "/Zeririvu.ini";
        std::ofstream file(ini, std::ios::binary);
        file << "[Poplist]\r\nCount=3\r\nList1=POP1\r\nList2=POP2\r\nList3=POP3\r\n";
        const struct {
            const char* server;
            int port;
            int security;
        } accounts[] = {
            {"127.0.0.1", port_, 0}, {"localhost", tlsPort_, 2}, {"localhost", port_, 1}};
        for (int i = 0; i < kAccounts; ++i) {
            file << "[POP" << i + 1 << "]\r\nPopname=Bench" << i
                 << "\r\nServer=" << accounts[i].server << "\r\nPort=" << accounts[i].port
                 << "\r\nSecurity=" << accounts[i].security << "\r\nUser=" << kUser
                 << "\r\nPassword=" << ScramblePassword(kPassword) << "\r\nTimeOut=60\r\n";
        }
        file.close();
        settings_ = std::make_unique<IniFileStore>(ini);
        accounts_ = LoadAccountList(*settings_);
        for (int i = 0; i < kAccounts; ++i)
            (*accounts_)[i].timerId = kFirstCheckTimer + i;
        network_ = MakePlatformNetwork();
        clock_ = MakeLocalClock();
        sound_ = MakeSoundPlayer();
        dialup_ = MakeDialupProbe();
        // The first pass makes the server index the mailbox, and loads the
        // trusted roots once, as the program's first TLS check of a run does.
        ResetSeenList();
        ok_ = RunFloor() == kNew + 1 && RunFloor(true) == kNew + 1;
        for (int i = 0; i < kAccounts; ++i) {
            Sample first;
            CheckOutcome outcome;
            first = Measure([&] { outcome = RunCheck(static_cast<Account>(i)); });
            if (outcome.status != -6 || outcome.newCount != kNew) {
                ok_ = false;
                std::fprintf(stderr, "bench set-up failed: account %d status %d new %d\n", i,
                             outcome.status, outcome.newCount);
            }
            std::printf("first check of account %d: wall %.2f ms\n", i, first.wall * 1000);
        }
    }

  public:
    ~Fixture() {
        if (started_)
            Stop();
        SSL_CTX_free(floorContext_);
    }

  private:
    void Stop() {
        std::system((SourceRoot() + "/tests/integration/dovecot_fixture.sh stop " + dir_).c_str());
        std::filesystem::remove_all(dir_);
    }

    bool ok_ = false;
    bool started_ = false;
    std::string dir_;
    std::uint16_t port_ = 0;
    std::uint16_t tlsPort_ = 0;
    SSL_CTX* floorContext_ = nullptr;  // the TLS floor's, made once
    std::unique_ptr<IniFileStore> settings_;
    std::shared_ptr<AccountList> accounts_;
    std::shared_ptr<QuietHost> host_ = std::make_shared<QuietHost>();
    std::unique_ptr<Network> network_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<SoundPlayer> sound_;
    std::unique_ptr<DialupProbe> dialup_;
};

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_CheckOf1000MessagesWith50New(benchmark::State& state) {
    Fixture& fixture = Fixture::Get();
    if (!fixture.ok()) {
        state.SkipWithError("Dovecot fixture not available");
        return;
    }
    std::vector<double> checkWall, checkCpu, floorWall, floorCpu, probeWall;
    std::vector<double> tlsWall, tlsCpu, stlsWall, stlsCpu, tlsFloorWall;
    for (auto _ : state) {
        state.PauseTiming();
        fixture.ResetSeenList();
        state.ResumeTiming();
        Sample check = Measure([&] { benchmark::DoNotOptimize(fixture.RunCheck()); });
        Sample tls = Measure([&] { benchmark::DoNotOptimize(fixture.RunCheck(Fixture::kTls)); });
        Sample stls = Measure([&] { benchmark::DoNotOptimize(fixture.RunCheck(Fixture::kStls)); });
        Sample tlsFloor = Measure([&] { benchmark::DoNotOptimize(fixture.RunFloor(true)); });
        tlsFloorWall.push_back(tlsFloor.wall);
        tlsWall.push_back(tls.wall);
        tlsCpu.push_back(tls.cpu);
        stlsWall.push_back(stls.wall);
        stlsCpu.push_back(stls.cpu);
        Sample floor = Measure([&] { benchmark::DoNotOptimize(fixture.RunFloor()); });
        // The connection-table test alone, part of every check, not of the floor.
        Sample probe = Measure([&] { benchmark::DoNotOptimize(fixture.Probe()); });
        probeWall.push_back(probe.wall);
        checkWall.push_back(check.wall);
        checkCpu.push_back(check.cpu);
        floorWall.push_back(floor.wall);
        floorCpu.push_back(floor.cpu);
        state.SetIterationTime(check.wall);
    }
    const double cw = Median(checkWall), cc = Median(checkCpu);
    const double fw = Median(floorWall), fc = Median(floorCpu);
    state.counters["check_wall_ms"] = cw * 1000;
    state.counters["check_cpu_ms"] = cc * 1000;
    state.counters["floor_wall_ms"] = fw * 1000;
    state.counters["floor_cpu_ms"] = fc * 1000;
    state.counters["wall_ratio"] = fw > 0 ? cw / fw : 0;
    state.counters["probe_wall_ms"] = Median(probeWall) * 1000;
    std::printf(
        "check: wall %.2f ms, cpu %.2f ms | floor: wall %.2f ms, cpu %.2f ms | "
        "wall ratio %.3f; connection-table test %.2f ms (medians of %zu)\n",
        cw * 1000, cc * 1000, fw * 1000, fc * 1000, fw > 0 ? cw / fw : 0.0,
        Median(probeWall) * 1000, checkWall.size());
    const double tw = Median(tlsWall), sw = Median(stlsWall), tf = Median(tlsFloorWall);
    state.counters["tls_floor_wall_ms"] = tf * 1000;
    state.counters["tls_wall_ms"] = tw * 1000;
    state.counters["stls_wall_ms"] = sw * 1000;
    state.counters["tls_ratio"] = cw > 0 ? tw / cw : 0;
    state.counters["stls_ratio"] = cw > 0 ? sw / cw : 0;
    std::printf(
        "TLS check: wall %.2f ms, cpu %.2f ms, %.3f x plain | STLS check: wall %.2f ms, "
        "cpu %.2f ms, %.3f x plain | TLS floor: wall %.2f ms, %.3f x floor; TLS check %.3f x "
        "TLS floor\n",
        tw * 1000, Median(tlsCpu) * 1000, cw > 0 ? tw / cw : 0.0, sw * 1000, Median(stlsCpu) * 1000,
        cw > 0 ? sw / cw : 0.0, tf * 1000, fw > 0 ? tf / fw : 0.0, tf > 0 ? tw / tf : 0.0);
}
BENCHMARK(BM_CheckOf1000MessagesWith50New)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

}  // namespace
}  // namespace pell

BENCHMARK_MAIN();
