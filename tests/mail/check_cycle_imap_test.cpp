// The check cycle with an IMAP account: the keys it reads and the marks it
// keeps between checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "mail/check_cycle.h"
#include "mail/status_codes.h"
#include "settings/ini_file_store.h"
#include "support/scripted_imap.h"

namespace pell {
namespace {

using test::ImapMessageText;
using test::ImapServerScript;
using test::ScriptedImapNetwork;

struct Quiet final : Clock, SoundPlayer, DialupProbe {
    int LocalHour() override { return 12; }
    void PlayAsync(const std::string&) override {}
    bool IsDialupConnected() override { return false; }
};

class CheckCycleImapTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = (std::filesystem::temp_directory_path() /
                 ("pell_cycle_imap_" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                  ".ini"))
                    .string();
        std::ofstream(path_, std::ios::binary)
            << "[Poplist]\r\nCount=1\r\nList1=POP1\r\n[POP1]\r\nPopname=Home\r\n"
               "Server=mail.test\r\nUser=user\r\nPassword=\r\nProtocol=1\r\n";
        settings_ = std::make_unique<IniFileStore>(path_);
        script_->password = "";
    }
    void TearDown() override { std::filesystem::remove(path_); }

    void Deliver(std::uint32_t uid) {
        script_->messages.push_back(
            {uid, ImapMessageText("<m" + std::to_string(uid) + "@x>", "S" + std::to_string(uid))});
    }
    CheckOutcome Run() {
        auto accounts = LoadAccountList(*settings_);
        (*accounts)[0].timerId = 10;
        CheckStartBlock block;
        block.host = std::make_shared<CheckHost>();
        block.timerId = 10;
        block.accounts = accounts;
        block.passRunning = true;
        ScriptedImapNetwork network(script_);
        Quiet quiet;
        CheckEnvironment env{*settings_, network, quiet, quiet, quiet, nullptr};
        return RunCheckCycle(block, env, true);
    }
    std::string Read(const char* key) {
        return settings_->ReadText("POP1", key, "(missing)", 5000);
    }

    std::string path_;
    std::unique_ptr<IniFileStore> settings_;
    std::shared_ptr<ImapServerScript> script_ = std::make_shared<ImapServerScript>();
};

TEST_F(CheckCycleImapTest, MarksAreKeptAfterEachGoodCheckOnly) {
    Deliver(1);
    Deliver(2);
    CheckOutcome first = Run();
    EXPECT_EQ(first.status, kStatusNewMail);
    EXPECT_EQ(first.newCount, 2);
    EXPECT_EQ(Read("ImapUidValidity"), "7");
    EXPECT_EQ(Read("ImapUidNext"), "3");
    EXPECT_EQ(Read("Mesid"), "<m2@x>,");
    EXPECT_EQ(script_->connectedPort, 143);

    EXPECT_EQ(Run().status, kStatusOk);  // nothing new
    Deliver(3);
    // A check that fails after finding the new message keeps the old marks,
    // so that the message is announced again next time.
    script_->answer = [](const std::string& c) -> std::optional<std::string> {
        if (c == "LOGOUT")
            return "{tag} NO later\r\n";
        return std::nullopt;
    };
    CheckOutcome failed = Run();
    EXPECT_EQ(failed.status, kStatusNewMail);
    EXPECT_EQ(Read("ImapUidNext"), "3");
    script_->answer = nullptr;
    CheckOutcome again = Run();
    EXPECT_EQ(again.newCount, 1);
    EXPECT_EQ(Read("ImapUidNext"), "4");
    EXPECT_EQ(Read("Mesid"), "<m3@x>,");
}

TEST_F(CheckCycleImapTest, AccountKeysChooseFolderAndPort) {
    struct Case {
        const char* folder;  // nullptr: no Folder key
        const char* security;
        const char* marks;  // stored ImapUidValidity,ImapUidNext
        std::string examined;
        std::uint16_t port;
        int newCount;
    };
    // Marks that cannot be read, or belong to another UIDVALIDITY, make a
    // first check.
    const Case cases[] = {
        {nullptr, "0", "7,2", "EXAMINE \"INBOX\"", 143, 1},
        {"", "2", "7,x", "EXAMINE \"INBOX\"", 993, 2},
        {"仕事", "1", "8,2", "EXAMINE \"&TtVOiw-\"", 143, 2},
    };
    for (const Case& c : cases) {
        script_ = std::make_shared<ImapServerScript>();
        script_->password = "";
        script_->folders = {"INBOX", "&TtVOiw-"};
        Deliver(1);
        Deliver(2);
        if (c.folder)
            settings_->Write("POP1", "Folder", c.folder);
        settings_->Write("POP1", "Security", c.security);
        std::string marks = c.marks;
        settings_->Write("POP1", "ImapUidValidity", marks.substr(0, marks.find(',')));
        settings_->Write("POP1", "ImapUidNext", marks.substr(marks.find(',') + 1));
        CheckOutcome outcome = Run();
        EXPECT_EQ(outcome.newCount, c.newCount) << c.examined;
        EXPECT_EQ(script_->connectedPort, c.port) << c.examined;
        bool examined = false;
        for (const std::string& command : script_->commands)
            examined = examined || command.find(c.examined) != std::string::npos;
        EXPECT_TRUE(examined) << c.examined;
    }
}

}  // namespace
}  // namespace pell
