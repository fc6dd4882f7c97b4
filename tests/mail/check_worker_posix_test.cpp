// The exit's wait for the check worker: a check that sits in a silent server
// is abandoned, its worker ends at once, and the settings file stays as it was.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "mail/check_worker.h"
#include "settings/ini_file_store.h"
#include "startup/process_values.h"
#include "support/fake_pop3_server_posix.h"
#include "support/temp_file.h"

namespace pell {
namespace {

using namespace std::chrono_literals;

TEST(CheckWorkerPosix, AnAbandonedCheckEndsItsWorkerAndWritesNothing) {
    test::MailboxScript script;
    script.silentAfterGreeting = true;
    test::FakePop3Server server(script);
    testing::TempFile file;
    // No time-out: only the abandonment can end the wait for the server.
    file.Write("[Poplist]\r\nCount=1\r\nList1=POP1\r\n[POP1]\r\nServer=127.0.0.1\r\nPort=" +
               std::to_string(server.port()) + "\r\nUser=u\r\nTimeOut=0\r\n");
    const std::string savedPath = Process().settingsPath;
    Process().settingsPath = file.path();
    IniFileStore store(file.path());

    CheckStartBlock block;
    block.host = std::make_shared<CheckHost>();
    block.accounts = LoadAccountList(store);
    (*block.accounts)[0].timerId = 10;
    block.timerId = 10;
    block.passRunning = true;
    block.run = std::make_shared<CheckRun>(1);
    const std::shared_ptr<CheckRun> run = block.run;
    StartCheckWorker(std::move(block));
    for (int i = 0; i < 500 && server.connections() == 0; ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(server.connections(), 1);
    std::this_thread::sleep_for(50ms);  // the worker now waits for the USER reply
    const std::string before = file.Read();

    EXPECT_FALSE(WaitForCheckWorkers(200ms));
    run->Abandon();
    EXPECT_TRUE(WaitForCheckWorkers(2s));
    EXPECT_EQ(file.Read(), before);
    Process().settingsPath = savedPath;
}

}  // namespace
}  // namespace pell
