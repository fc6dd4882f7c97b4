// The account dialog's connection test on its own thread, against a scripted
// POP3 server on 127.0.0.1.
#include "dialogs/connection_test_job.h"

#include <gtest/gtest.h>

#include <future>

#include "mail/check_worker.h"
#include "mail/status_codes.h"
#include "support/fake_pop3_server_posix.h"

namespace pell {
namespace {

using test::FakePop3Server;
using test::MailboxScript;

PopSessionInput Input(std::uint16_t port, int timeout) {
    PopSessionInput in;
    in.server = "127.0.0.1";
    in.portText = std::to_string(port);
    in.user = "user";
    in.password = "secret";
    in.seenIds = "<m3@x>,<m2@x>,";
    in.timeoutSeconds = timeout;
    return in;
}

TEST(ConnectionTestJob, ChecksOnItsOwnThreadAndReadsNoFurtherThanTheSeenList) {
    MailboxScript script;
    for (int i = 1; i <= 3; ++i) {
        script.messages.push_back("Message-ID: <m" + std::to_string(i) +
                                  "@x>\r\nSubject: s\r\n\r\nbody\r\n");
    }
    FakePop3Server server(script);
    std::promise<void> done;
    auto job = ConnectionTestJob::Start(MakePlatformNetwork(), Input(server.port(), 10),
                                        [&done] { done.set_value(); });
    ASSERT_EQ(done.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    ASSERT_TRUE(job->finished());
    EXPECT_EQ(job->output().result, kStatusOk);
    EXPECT_EQ(job->output().messageCount, 3);
    EXPECT_EQ(job->output().newCount, 0);
    const std::vector<std::string> expected = {"USER user", "PASS secret", "CAPA", "STAT",
                                               "UIDL",      "TOP 3 10",    "QUIT"};
    EXPECT_EQ(script.Commands(), expected);
}

TEST(ConnectionTestJob, ACancelledTestEndsBeforeItsTimeOut) {
    MailboxScript script;
    script.silentAfterGreeting = true;
    FakePop3Server server(script);
    std::promise<void> done;
    auto job = ConnectionTestJob::Start(MakePlatformNetwork(), Input(server.port(), 120),
                                        [&done] { done.set_value(); });
    while (server.connections() == 0)
        std::this_thread::yield();
    // The program's exit waits for a running test as for a check.
    EXPECT_FALSE(WaitForCheckWorkers(std::chrono::milliseconds(0)));
    job->Cancel();
    ASSERT_EQ(done.get_future().wait_for(std::chrono::seconds(60)), std::future_status::ready)
        << "the test waited for its time-out";
    EXPECT_NE(job->output().result, kStatusOk);
    EXPECT_TRUE(WaitForCheckWorkers(std::chrono::seconds(30)));
}

}  // namespace
}  // namespace pell
