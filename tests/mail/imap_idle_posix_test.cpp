// The idle watcher over a real loopback connection: the renewal waits on the
// socket with the clock, and a stop from another thread ends the wait.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "mail/imap_idle.h"
#include "support/fake_pop3_server_posix.h"

namespace pell {
namespace {

using test::FakeConnection;
using test::FakePop3Server;

TEST(ImapIdlePosixTest, RenewsOnTheClockAndStopsFromAnotherThread) {
    std::mutex lock;
    std::vector<std::string> commands;
    FakePop3Server server([&](FakeConnection& c) {
        c.Send("* OK [CAPABILITY IMAP4rev1 IDLE] hi\r\n");
        std::string line, idleTag;
        int idles = 0;
        while (c.ReadLine(line)) {
            std::string tag = line.substr(0, line.find(' '));
            std::string command = line.substr(line.find(' ') + 1);
            {
                std::lock_guard<std::mutex> guard(lock);
                commands.push_back(line == "DONE" ? line : command);
            }
            if (line == "DONE") {
                c.Send(idleTag + " OK done\r\n");
            } else if (command == "IDLE") {
                idleTag = tag;
                c.Send("+ idling\r\n");
                if (++idles == 2)
                    c.Send("* 2 EXISTS\r\n");
            } else if (command.rfind("EXAMINE", 0) == 0) {
                c.Send("* 1 EXISTS\r\n* OK [UIDVALIDITY 3] v\r\n* OK [UIDNEXT 2] n\r\n" + tag +
                       " OK [READ-ONLY] done\r\n");
            } else {
                c.Send(tag + " OK done\r\n");
            }
        }
    });
    ImapAccount account;
    account.server = "127.0.0.1";
    account.portText = std::to_string(server.port());
    account.user = "u";
    account.password = "p";
    account.timeoutSeconds = 5;
    IdleControl control;
    std::condition_variable arrived;
    bool newMail = false;
    IdleHooks hooks;
    hooks.renewSeconds = 1;
    hooks.onNewMail = [&] {
        std::lock_guard<std::mutex> guard(lock);
        newMail = true;
        arrived.notify_all();
    };
    auto network = MakePlatformNetwork();
    IdleResult result;
    std::thread watcher([&] { result = RunImapIdle(*network, account, control, hooks); });
    {
        std::unique_lock<std::mutex> guard(lock);
        ASSERT_TRUE(arrived.wait_for(guard, std::chrono::seconds(30), [&] { return newMail; }));
    }
    control.Stop();
    watcher.join();
    EXPECT_EQ(result.end, IdleEnd::kStopped);
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_EQ(std::vector<std::string>(commands.begin() + 2, commands.end()),
              (std::vector<std::string>{"IDLE", "DONE", "IDLE"}));
}

}  // namespace
}  // namespace pell
