// The session and the line channel against a scripted server on 127.0.0.1.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "mail/apop_digest.h"
#include "mail/check_run.h"
#include "mail/pop_session.h"
#include "mail/status_codes.h"
#include "support/fake_pop3_server_posix.h"

namespace pell {
namespace {

using test::FakeConnection;
using test::FakePop3Server;
using test::MailboxScript;
using namespace std::string_literals;

std::string Message(const std::string& id, const std::string& subject = "hello") {
    return "Message-ID: " + id + "\r\nSubject: " + subject + "\r\n\r\nbody line\r\n";
}

struct SessionRun {
    PopSessionOutput out;
    std::vector<std::string> commands;
};

PopSessionInput Input(std::uint16_t port, std::string seen = "") {
    PopSessionInput in;
    in.user = "user";
    in.password = "secret";
    in.server = "127.0.0.1";
    in.portText = std::to_string(port);
    in.seenIds = std::move(seen);
    in.timeoutSeconds = 5;
    return in;
}

SessionRun RunAgainst(const MailboxScript& script, PopSessionInput in = {}, bool useInput = false) {
    FakePop3Server server(script);
    if (!useInput)
        in = Input(server.port(), in.seenIds);
    in.portText = std::to_string(server.port());
    auto network = MakePlatformNetwork();
    SessionRun run;
    RunPopSession(*network, in, run.out, {});
    run.commands = script.Commands();
    return run;
}

std::vector<std::string> Messages(int count) {
    std::vector<std::string> messages;
    for (int i = 1; i <= count; ++i)
        messages.push_back(Message("<m" + std::to_string(i) + "@x>"));
    return messages;
}

TEST(PopSessionTest, NewestFirstScanStopsAtASeenMessage) {
    struct Case {
        const char* name;
        int messages;
        std::string seen;
        bool readAll;
        int newCount;
        std::string newList;
        std::vector<std::string> fetched;
        std::size_t summaries;
    };
    const Case cases[] = {
        {"one new", 3, "<m2@x>,", false, 1, "<m3@x>,<m2@x>,", {"TOP 3 10", "TOP 2 10"}, 1},
        {"first check", 5, "", false, 5, "<m5@x>,", {"TOP 5 10"}, 1},
        {"first check of 60", 60, "", false, 60, "<m60@x>,", {"TOP 60 10"}, 0},
        {"nothing new", 2, "<m2@x>,", false, 0, "<m2@x>,", {"TOP 2 10"}, 0},
        {"whole message", 4, "<m3@x>,", true, 1, "<m4@x>,<m3@x>,", {"RETR 4", "RETR 3"}, 1},
    };
    for (const Case& c : cases) {
        MailboxScript script;
        script.messages = Messages(c.messages);
        PopSessionInput in;
        in.seenIds = c.seen;
        FakePop3Server server(script);
        in = Input(server.port(), c.seen);
        in.readAll = c.readAll;
        auto network = MakePlatformNetwork();
        PopSessionOutput out;
        RunPopSession(*network, in, out, {});
        EXPECT_EQ(out.result, kStatusOk) << c.name;
        EXPECT_EQ(out.messageCount, c.messages) << c.name;
        EXPECT_EQ(out.newCount, c.newCount) << c.name;
        ASSERT_TRUE(out.newSeenIds) << c.name;
        EXPECT_EQ(*out.newSeenIds, c.newList) << c.name;
        ASSERT_TRUE(out.summaries) << c.name;
        EXPECT_EQ(out.summaries->size(), c.summaries) << c.name;
        std::vector<std::string> fetched;
        for (const std::string& command : script.Commands()) {
            if (command.rfind("TOP", 0) == 0 || command.rfind("RETR", 0) == 0)
                fetched.push_back(command);
        }
        EXPECT_EQ(fetched, c.fetched) << c.name;
        EXPECT_EQ(script.Commands().back(), "QUIT") << c.name;
    }
}

TEST(PopSessionTest, MessageWithoutIdIsNewAndGetsAnIdOfItsOwn) {
    MailboxScript script;
    script.messages = {Message("<m1@x>"), "Subject: no id\r\n\r\nbody\r\n"};
    PopSessionInput in;
    in.seenIds = "<m1@x>,";
    SessionRun run = RunAgainst(script, in);
    EXPECT_EQ(run.out.newCount, 1);
    EXPECT_TRUE(IsSyntheticMessageId(run.out.newSeenIds->substr(0, 17)));
    EXPECT_EQ(run.out.newSeenIds->substr(17), ",<m1@x>,");
}

TEST(PopSessionTest, ResetAfterAHugeStatEndsTheCheck) {
    // Whether the reset beats the next send is a race: either way the check
    // ends at once with an error, and QUIT is tried.
    for (int attempt = 0; attempt < 5; ++attempt) {
        MailboxScript script;
        script.statOverride = "+OK 2147483647 1\r\n";
        script.resetAfterStat = true;
        SessionRun run = RunAgainst(script);
        EXPECT_TRUE(run.out.result == kStatusList || run.out.result == kStatusUidl ||
                    run.out.result == kStatusQuit)
            << run.out.result;
        EXPECT_EQ(run.out.newCount, 0);
    }
}

TEST(PopSessionTest, ResultCodes) {
    struct Case {
        const char* name;
        std::function<void(MailboxScript&)> setup;
        int result;
        bool quitSent;
    };
    const Case cases[] = {
        {"empty mailbox", [](MailboxScript&) {}, kStatusOk, true},
        {"wrong password", [](MailboxScript& s) { s.password = "other"; }, kStatusLogin, false},
        {"mailbox locked by another session",
         [](MailboxScript& s) {
             s.password = "other";
             s.passRefusal = "-ERR [IN-USE] Mailbox in use\r\n";
         },
         kStatusOtherApp, false},
        {"logged into too recently by another program",
         [](MailboxScript& s) {
             s.password = "other";
             s.passRefusal = "-ERR [LOGIN-DELAY] Logged in too recently\r\n";
         },
         kStatusOtherApp, false},
        {"STAT refused", [](MailboxScript& s) { s.statOverride = "-ERR locked\r\n"; }, kStatusList,
         true},
        {"UIDL refused: the Message-IDs decide",
         [](MailboxScript& s) {
             s.messages = Messages(2);
             s.uidlRefused = true;
         },
         kStatusOk, true},
        {"TOP refused",
         [](MailboxScript& s) {
             s.messages = Messages(2);
             s.topError = true;
         },
         kStatusTop, true},
        {"QUIT refused", [](MailboxScript& s) { s.quitReply = "-ERR no\r\n"; }, kStatusLogin, true},
        {"QUIT unanswered", [](MailboxScript& s) { s.quitReply = ""; }, kStatusSilent, true},
    };
    for (const Case& c : cases) {
        MailboxScript script;
        c.setup(script);
        SessionRun run = RunAgainst(script);
        EXPECT_EQ(run.out.result, c.result) << c.name;
        bool quit = !run.commands.empty() && run.commands.back() == "QUIT";
        EXPECT_EQ(quit, c.quitSent) << c.name;
    }
}

TEST(PopSessionTest, UserRefusedSkipsPassword) {
    // A server that refuses the user name.
    std::vector<std::string> seen;
    FakePop3Server server([&seen](FakeConnection& c) {
        c.Send("+OK hi\r\n");
        std::string line;
        while (c.ReadLine(line)) {
            seen.push_back(line);
            c.Send("-ERR who?\r\n");
        }
    });
    auto network = MakePlatformNetwork();
    PopSessionOutput out;
    RunPopSession(*network, Input(server.port()), out, {});
    EXPECT_EQ(out.result, kStatusLogin);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(seen, std::vector<std::string>{"USER user"});
}

TEST(PopSessionTest, HostileServers) {
    const std::string big(1 << 20, 'x');
    struct Case {
        const char* name;
        std::function<void(MailboxScript&)> setup;
        int result;
        int newCount;
    };
    const Case cases[] = {
        {"1-byte writes",
         [](MailboxScript& s) {
             s.messages = Messages(3);
             s.chunk = 1;
         },
         kStatusOk, 3},
        {"1 MB greeting line",
         [&big](MailboxScript& s) {
             s.greeting = "+OK " + big + "\r\n";
             s.messages = Messages(1);
         },
         kStatusOk, 1},
        {"1 MB line in a message",
         [&big](MailboxScript& s) { s.messages = {Message("<m1@x>") + big + "\r\n"}; }, kStatusOk,
         1},
        {"greeting and more in one chunk",
         [](MailboxScript& s) { s.greeting = "+OK hi\r\n+OK extra\r\n"; }, kStatusOk, 0},
        {"LIST claims 2 GB",
         [](MailboxScript& s) {
             s.messages = Messages(1);
             s.listOverride = "+OK 1 2147483647\r\n";
         },
         kStatusOk, 1},
        {"negative LIST size",
         [](MailboxScript& s) {
             s.messages = Messages(1);
             s.listOverride = "+OK 1 -400\r\n";
         },
         kStatusOk, 1},
        {"garbage LIST (never asked)",
         [](MailboxScript& s) {
             s.messages = Messages(1);
             s.listOverride = "+OK\r\n";
         },
         kStatusOk, 1},
        {"negative STAT", [](MailboxScript& s) { s.statOverride = "+OK -5 -7\r\n"; }, kStatusOk, 0},
        {"garbage STAT", [](MailboxScript& s) { s.statOverride = "+OK lots\r\n"; }, kStatusOk, 0},
        {"STAT without blank", [](MailboxScript& s) { s.statOverride = "+OK\r\n"; }, kStatusOk, 0},
        {"STAT claims 2^31-1 messages",
         [](MailboxScript& s) {
             s.statOverride = "+OK 2147483647 1\r\n";
             s.closeInTop = true;
             s.listOverride = "+OK 1 10\r\n";
             s.messages = Messages(1);
         },
         kStatusUidl, 0},  // the listing does not match the count
        {"STAT claims 2^31-1 messages, no UIDL",
         [](MailboxScript& s) {
             s.statOverride = "+OK 2147483647 1\r\n";
             s.closeInTop = true;
             s.uidlRefused = true;
             s.messages = Messages(1);
         },
         kStatusTop, 0},
        {"NUL bytes",
         [](MailboxScript& s) {
             s.greeting = "+OK \0\0 hi\r\n"s;
             s.messages = {"Message-ID: <n@x>\r\nSubject: a\0b\r\n\r\n\0\r\n"s};
         },
         kStatusOk, 1},
        {"peer closes inside TOP",
         [](MailboxScript& s) {
             s.messages = Messages(2);
             s.closeInTop = true;
         },
         kStatusTop, 0},
        {"TOP answered with -ERR",
         [](MailboxScript& s) {
             s.messages = Messages(2);
             s.topError = true;
         },
         kStatusTop, 0},
    };
    for (const Case& c : cases) {
        MailboxScript script;
        c.setup(script);
        SessionRun run = RunAgainst(script);
        EXPECT_EQ(run.out.result, c.result) << c.name;
        EXPECT_EQ(run.out.newCount, c.newCount) << c.name;
    }
}

TEST(PopSessionTest, EndMarkerSplitAtEveryOffset) {
    const std::string reply = "+OK\r\n" + Message("<s@x>") + "\r\n.\r\n";
    for (std::size_t offset = 1; offset < 12; ++offset) {
        std::size_t cut = reply.size() - offset;
        FakePop3Server server([&](FakeConnection& c) {
            c.Send("+OK hi\r\n");
            std::string line;
            while (c.ReadLine(line)) {
                if (line.rfind("USER", 0) == 0 || line.rfind("PASS", 0) == 0) {
                    c.Send("+OK\r\n");
                } else if (line == "STAT") {
                    c.Send("+OK 1 50\r\n");
                } else if (line.rfind("LIST", 0) == 0) {
                    c.Send("+OK 1 50\r\n");
                } else if (line == "CAPA" || line == "UIDL") {
                    c.Send("-ERR unknown command\r\n");
                } else if (line.rfind("TOP", 0) == 0) {
                    c.Send(reply.substr(0, cut));
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    c.Send(reply.substr(cut));
                } else {
                    c.Send("+OK bye\r\n");
                    return;
                }
            }
        });
        auto network = MakePlatformNetwork();
        PopSessionOutput out;
        RunPopSession(*network, Input(server.port()), out, {});
        EXPECT_EQ(out.result, kStatusOk) << "offset " << offset;
        EXPECT_EQ(out.newCount, 1) << "offset " << offset;
    }
}

TEST(PopSessionTest, SilentServerTimesOut) {
    MailboxScript script;
    script.silentAfterGreeting = true;
    FakePop3Server server(script);
    PopSessionInput in = Input(server.port());
    in.timeoutSeconds = 1;
    auto network = MakePlatformNetwork();
    PopSessionOutput out;
    RunPopSession(*network, in, out, {});
    EXPECT_EQ(out.result, kStatusUser);
}

TEST(PopSessionTest, ApopTimestampUpTo127Bytes) {
    for (std::size_t inner : {125u, 126u, 127u}) {
        // "<" + inner bytes + ">": the ">" stands inner + 1 bytes behind the "<".
        std::string stamp = "<" + std::string(inner, 'a') + ">";
        bool used = inner + 1 < kMaxTimestampLength;
        MailboxScript script;
        script.greeting = "+OK " + stamp + "\r\n";
        script.apopDigest = MakeApopDigest((used ? stamp : "") + "secret");
        FakePop3Server server(script);
        PopSessionInput in = Input(server.port());
        in.apop = true;
        auto network = MakePlatformNetwork();
        PopSessionOutput out;
        RunPopSession(*network, in, out, {});
        // Without a usable timestamp nothing is sent that could reveal the
        // password: no unsalted digest, no USER/PASS.
        EXPECT_EQ(out.result, used ? kStatusOk : kStatusNoApop) << inner;
        EXPECT_EQ(script.Commands().front(),
                  used ? "APOP user " + script.apopDigest : std::string("QUIT"))
            << inner;
    }
}

TEST(PopSessionTest, ConnectionFailures) {
    // A port nobody listens on.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    std::uint16_t closedPort = ntohs(address.sin_port);
    close(fd);

    auto network = MakePlatformNetwork();
    PopSessionOutput out;
    RunPopSession(*network, Input(closedPort), out, {});
    EXPECT_EQ(out.result, kStatusConnect);

    // Another connection to the same server and port is open.
    MailboxScript script;
    FakePop3Server server(script);
    int other = socket(AF_INET, SOCK_STREAM, 0);
    address.sin_port = htons(server.port());
    ASSERT_EQ(connect(other, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    RunPopSession(*network, Input(server.port()), out, {});
    EXPECT_EQ(out.result, kStatusOtherApp);
    close(other);
}

// One session of `run`, which a watchdog abandons after 100 ms when `cancel`.
PopSessionOutput RunWatched(const PopSessionInput& in, CheckRun& run, bool cancel) {
    PopSessionHooks hooks;
    hooks.run = &run;
    std::thread watchdog([&run, cancel] {
        if (!cancel)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        run.Abandon();
    });
    auto network = MakePlatformNetwork();
    PopSessionOutput out;
    RunPopSession(*network, in, out, hooks);
    watchdog.join();
    return out;
}

TEST(PopSessionTest, AbandonedCheckUnblocksASilentServer) {
    MailboxScript script;
    script.silentAfterGreeting = true;
    FakePop3Server server(script);
    PopSessionInput in = Input(server.port());
    in.timeoutSeconds = 0;  // no time-out: only the cancel can end the wait
    CheckRun run(1);
    EXPECT_NE(RunWatched(in, run, true).result, kStatusOk);
    EXPECT_FALSE(run.Commit());
}

TEST(PopSessionTest, HandshakeEndsAtTheTimeOutOrTheCancel) {
    for (bool cancel : {false, true}) {
        // A server that takes the client's hello and answers nothing; one per
        // round, as the last round's connection may still be closing down and
        // would count as another program's connection to the same port.
        FakePop3Server server([](FakeConnection& c) { c.WaitForClose(); });
        PopSessionInput in = Input(server.port());
        in.server = "localhost";
        in.security = 2;
        in.timeoutSeconds = cancel ? 0 : 1;  // without a time-out only the cancel ends it
        CheckRun run(1);
        const PopSessionOutput out = RunWatched(in, run, cancel);
        EXPECT_EQ(out.result, kStatusTlsFailed) << cancel;
        EXPECT_EQ(out.certificateFingerprint, "") << cancel;
    }
}

}  // namespace
}  // namespace pell
