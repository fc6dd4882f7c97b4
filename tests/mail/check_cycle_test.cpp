#include "mail/check_cycle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "mail/seen_uidl_store.h"
#include "mail/status_codes.h"
#include "settings/ini_file_store.h"
#include "support/scripted_network.h"

namespace pell {
namespace {

using test::MakeMessage;
using test::ScriptedMailbox;
using test::ScriptedNetwork;

class RecordingHost final : public CheckHost {
  public:
    std::vector<std::string> events;
    std::vector<std::unique_ptr<NewMailNotice>> notices;

    void ShowThinkingFace() override { events.push_back("think"); }
    void SetTimer(std::uint32_t id, std::uint32_t ms) override {
        events.push_back("set " + std::to_string(id) + " " + std::to_string(ms));
    }
    void KillTimer(std::uint32_t id) override { events.push_back("kill " + std::to_string(id)); }
    void SetLastNewMailAccount(int index) override {
        events.push_back("last " + std::to_string(index));
    }
    void ClearCheckRunning() override { events.push_back("clear"); }
    void PostNewMail(std::unique_ptr<NewMailNotice> notice) override {
        events.push_back("newmail");
        notices.push_back(std::move(notice));
    }
    void PostCheckDone() override { events.push_back("done"); }

    bool Has(const std::string& event) const {
        return std::find(events.begin(), events.end(), event) != events.end();
    }
};

class FixedClock final : public Clock {
  public:
    int hour = 12;
    int LocalHour() override { return hour; }
};

class RecordingSound final : public SoundPlayer {
  public:
    std::vector<std::string> played;
    void PlayAsync(const std::string& file) override { played.push_back(file); }
};

class FixedDialup final : public DialupProbe {
  public:
    bool connected = false;
    bool IsDialupConnected() override { return connected; }
};

class CheckCycleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static int counter = 0;
        if (!path_.empty())
            std::filesystem::remove(path_);
        path_ = (std::filesystem::temp_directory_path() /
                 ("pell_cycle_" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                  std::to_string(++counter) + ".ini"))
                    .string();
        std::ofstream(path_, std::ios::binary)
            << "[Poplist]\r\nCount=1\r\nList1=POP1\r\n[POP1]\r\nPopname=Home\r\n"
               "Server=mail.test\r\nUser=u\r\nPassword=\r\nTimeOut=60\r\n";
        settings_ = std::make_unique<IniFileStore>(path_);
        mailbox_ = std::make_shared<ScriptedMailbox>();
        mailbox_->password = "";
        network_ = std::make_unique<ScriptedNetwork>(mailbox_);
        accounts_ = LoadAccountList(*settings_);
        (*accounts_)[0].timerId = 10;
        (*accounts_)[0].status = kStatusChecking;
    }
    void TearDown() override { std::filesystem::remove(path_); }

    CheckOutcome Run(bool passRunning = false, std::shared_ptr<CheckRun> run = nullptr,
                     SeenUidlStore* seenUidls = nullptr) {
        CheckStartBlock block;
        block.host = host_;
        block.timerId = 10;
        block.accounts = accounts_;
        block.passRunning = passRunning;
        block.run = std::move(run);
        CheckEnvironment env{
            *settings_, *network_, clock_, sound_, dialup_, [this](std::string_view text) {
                if (text.rfind("check ", 0) == 0)
                    checkTraces_.emplace_back(text);
            }};
        env.seenUidls = seenUidls;
        return RunCheckCycle(block, env, true);
    }
    std::string Read(const char* section, const char* key) {
        return settings_->ReadText(section, key, "(missing)", 5000);
    }
    void Write(const char* section, const char* key, const char* value) {
        settings_->Write(section, key, value);
    }
    AccountEntry& entry() { return (*accounts_)[0]; }

    std::string path_;
    std::unique_ptr<IniFileStore> settings_;
    std::shared_ptr<ScriptedMailbox> mailbox_;
    std::unique_ptr<ScriptedNetwork> network_;
    std::shared_ptr<AccountList> accounts_;
    std::shared_ptr<RecordingHost> host_ = std::make_shared<RecordingHost>();
    FixedClock clock_;
    RecordingSound sound_;
    FixedDialup dialup_;
    std::vector<std::string> checkTraces_;
};

TEST(CheckHoursTest, FlatRateWindow) {
    struct Case {
        int start, end;
        std::vector<int> inside;
    };
    const Case cases[] = {
        {23, 8, {23, 0, 1, 2, 3, 4, 5, 6, 7}},
        {9, 17, {9, 10, 11, 12, 13, 14, 15, 16}},
        {5, 5, {}},
    };
    for (const Case& c : cases) {
        for (int hour = 0; hour < 24; ++hour) {
            bool expected = std::find(c.inside.begin(), c.inside.end(), hour) != c.inside.end();
            EXPECT_EQ(IsInsideHours(hour, c.start, c.end), expected)
                << c.start << "-" << c.end << " at " << hour;
        }
    }
}

TEST_F(CheckCycleTest, GatesDecideWhetherTheServerIsContacted) {
    struct Case {
        const char* name;
        bool teleho;
        int hour;
        bool rasChk;
        bool dialup;
        bool check;
        bool pass;
        int status;
        bool contacted;
    };
    const Case cases[] = {
        {"open", false, 12, false, false, true, false, kStatusOk, true},
        {"outside hours, timer", true, 12, false, false, true, false, kStatusOutsideHours, false},
        {"outside hours, check-all", true, 12, false, false, true, true, kStatusOk, true},
        {"inside hours", true, 23, false, false, true, false, kStatusOk, true},
        {"no dial-up", false, 12, true, false, true, true, kStatusNoDialup, false},
        {"dial-up up", false, 12, true, true, true, false, kStatusOk, true},
        {"no dial-up beats hours", true, 12, true, false, true, false, kStatusNoDialup, false},
        {"check off beats both", true, 12, true, false, false, false, kStatusCheckOff, false},
    };
    for (const Case& c : cases) {
        SetUp();
        Write("Control", "Teleho", c.teleho ? "Yes" : "No");
        Write("Control", "RasChk", c.rasChk ? "Yes" : "No");
        Write("POP1", "Check", c.check ? "Yes" : "No");
        clock_.hour = c.hour;
        dialup_.connected = c.dialup;
        CheckOutcome outcome = Run(c.pass);
        EXPECT_EQ(outcome.status, c.status) << c.name;
        EXPECT_EQ(entry().status.load(), c.status) << c.name;
        EXPECT_EQ(network_->socketsCreated > 0, c.contacted) << c.name;
        EXPECT_EQ(host_->events.back(), "done") << c.name;
        EXPECT_EQ(host_->Has("think"), c.contacted) << c.name;
        host_->events.clear();
        TearDown();
    }
}

TEST_F(CheckCycleTest, FirstCheckReportsAllMessagesAndKeepsTheNewestId) {
    mailbox_->messages = {MakeMessage("<a@x>", "one"), MakeMessage("<b@x>", "two"),
                          MakeMessage("<c@x>", "three")};
    Write("POP1", "Popup", "Yes");
    Write("POP1", "PopupSubj", "Yes");
    Write("POP1", "Sound", "ding.wav");
    CheckOutcome outcome = Run();
    EXPECT_EQ(outcome.status, kStatusNewMail);
    EXPECT_EQ(outcome.newCount, 3);
    EXPECT_EQ(Read("POP1", "Mesid"), "<c@x>,");
    EXPECT_EQ(entry().messageCount.load(), 3);
    EXPECT_EQ(sound_.played, std::vector<std::string>{"ding.wav"});
    ASSERT_EQ(host_->notices.size(), 1u);
    const NewMailNotice& notice = *host_->notices[0];
    EXPECT_EQ(notice.text, "Home にメールが3通届いています。");
    EXPECT_EQ(notice.accountName, "POP1");
    EXPECT_EQ(notice.accountIndex, 0);
    ASSERT_TRUE(notice.summaries);
    ASSERT_EQ(notice.summaries->size(), 1u);
    EXPECT_EQ((*notice.summaries)[0].subject, "three");
    EXPECT_EQ(notice.backGroundColor, 0xD2FFFFu);
    EXPECT_EQ(notice.fontFace, "ＭＳ ゴシック");
    EXPECT_TRUE(host_->Has("last 0"));
    // The timer-driven run stops its check timer and re-arms it at the end.
    EXPECT_EQ(host_->events.front(), "kill 10");
    EXPECT_TRUE(host_->Has("set 10 300000"));
    EXPECT_TRUE(host_->Has("set 10000 60000"));
    EXPECT_EQ(host_->events.back(), "done");

    // Two more messages arrive: both are new, the stored id ends the scan.
    host_->events.clear();
    mailbox_->messages.push_back(MakeMessage("<d@x>", "four"));
    mailbox_->messages.push_back(MakeMessage("<e@x>", "five"));
    mailbox_->commands.clear();
    outcome = Run();
    EXPECT_EQ(outcome.newCount, 2);
    EXPECT_EQ(Read("POP1", "Mesid"), "<e@x>,<d@x>,<c@x>,");
    EXPECT_EQ(mailbox_->commands.back(), "QUIT");
    EXPECT_EQ(std::count(mailbox_->commands.begin(), mailbox_->commands.end(), "TOP 3 10"), 1);
}

// Reads go to the file; every write fails, as on a full disk.
class FullDiskStore final : public SettingsStore {
  public:
    explicit FullDiskStore(SettingsStore& base) : base_(base) {}
    std::string ReadText(std::string_view section, std::string_view key, std::string_view fallback,
                         std::size_t capacity) override {
        return base_.ReadText(section, key, fallback, capacity);
    }
    int ReadInt(std::string_view section, std::string_view key, int fallback) override {
        return base_.ReadInt(section, key, fallback);
    }
    bool WriteText(std::string_view, std::string_view, std::optional<std::string_view>) override {
        return false;
    }
    bool DeleteSection(std::string_view) override { return false; }

  private:
    SettingsStore& base_;
};

TEST_F(CheckCycleTest, ASeenListTheFileRefusesIsReported) {
    mailbox_->messages = {MakeMessage("<a@x>", "one")};
    FullDiskStore full(*settings_);
    CheckStartBlock block;
    block.host = host_;
    block.timerId = 10;
    block.accounts = accounts_;
    CheckEnvironment env{full, *network_, clock_, sound_, dialup_, nullptr};
    const CheckOutcome refused = RunCheckCycle(block, env);
    EXPECT_EQ(refused.newCount, 1);
    EXPECT_FALSE(refused.seenListSaved);
    EXPECT_EQ(Read("POP1", "Mesid"), "(missing)");
    EXPECT_TRUE(Run().seenListSaved);
}

TEST_F(CheckCycleTest, NoticeOptions) {
    struct Case {
        bool popup, subj, popupTimer;
        const char* killTimer;  // nullptr: missing
        bool notice, summaries;
        const char* timerEvent;
    };
    const Case cases[] = {
        {false, true, true, nullptr, false, false, nullptr},
        {true, false, false, nullptr, true, false, nullptr},
        {true, true, true, nullptr, true, true, "set 2 5000"},
        {true, true, true, "0", true, true, "set 2 5000"},
        {true, true, true, "7", true, true, "set 2 7000"},
    };
    for (const Case& c : cases) {
        SetUp();
        mailbox_->messages = {MakeMessage("<a@x>", "one")};
        Write("POP1", "Popup", c.popup ? "Yes" : "No");
        Write("POP1", "PopupSubj", c.subj ? "Yes" : "No");
        Write("POP1", "Popuptimer", c.popupTimer ? "Yes" : "No");
        if (c.killTimer)
            Write("Control", "MessageKillTimer", c.killTimer);
        host_->notices.clear();
        host_->events.clear();
        Run();
        EXPECT_EQ(entry().status.load(), kStatusNewMail);
        ASSERT_EQ(host_->notices.size(), c.notice ? 1u : 0u);
        if (c.notice) {
            EXPECT_EQ(host_->notices[0]->summaries != nullptr, c.summaries);
        }
        if (c.timerEvent) {
            EXPECT_TRUE(host_->Has(c.timerEvent)) << c.timerEvent;
        }
        if (c.popup && c.popupTimer && !c.killTimer) {
            EXPECT_EQ(Read("Control", "MessageKillTimer"), "5");
        }
        TearDown();
    }
}

TEST_F(CheckCycleTest, SettingsAreRepairedOnTheWay) {
    settings_->DeleteKey("POP1", "TimeOut");
    CheckOutcome outcome = Run();
    EXPECT_EQ(outcome.status, kStatusOk);
    EXPECT_EQ(Read("POP1", "TimeOut"), "180");
    EXPECT_EQ(Read("Control", "GetLines"), "10");
    EXPECT_TRUE(host_->Has("set 10000 180000"));
}

TEST_F(CheckCycleTest, TimerPeriodAfterTheRun) {
    struct Case {
        const char* timer;
        bool pass;
        const char* event;  // nullptr: the check timer is not set
    };
    const Case cases[] = {
        {"0", false, nullptr},
        {"60", false, "set 10 60000"},
        {"60", true, nullptr},
        {"-5", false, nullptr},
        {"999999999", false, "set 10 2147483647"},
    };
    for (const Case& c : cases) {
        SetUp();
        Write("POP1", "Timer", c.timer);
        Run(c.pass);
        bool any = std::any_of(host_->events.begin(), host_->events.end(),
                               [](const std::string& e) { return e.rfind("set 10 ", 0) == 0; });
        EXPECT_EQ(any, c.event != nullptr) << c.timer;
        if (c.event) {
            EXPECT_TRUE(host_->Has(c.event)) << c.timer;
        }
        host_->events.clear();
        TearDown();
    }
}

TEST_F(CheckCycleTest, LongMessageIdIsRememberedInASmallMailbox) {
    // Ids of this length are common (large mail services); a one-message
    // mailbox must not announce its message again at every check.
    const std::string longId = "<" + std::string(120, 'a') + "@mail.example.jp>";
    mailbox_->messages = {MakeMessage(longId, "one")};
    CheckOutcome outcome = Run();
    EXPECT_EQ(outcome.newCount, 1);
    EXPECT_EQ(Read("POP1", "Mesid"), longId + ",");

    outcome = Run();
    EXPECT_EQ(outcome.status, kStatusOk);
    EXPECT_EQ(outcome.newCount, 0);
}

TEST_F(CheckCycleTest, EmptyMailboxDeletesTheSeenList) {
    Write("POP1", "Mesid", "<old@x>,");
    EXPECT_EQ(Run().status, kStatusOk);
    EXPECT_EQ(Read("POP1", "Mesid"), "(missing)");
}

TEST_F(CheckCycleTest, FailedSessionKeepsTheOldListAndCounts) {
    mailbox_->messages = {MakeMessage("<a@x>", "one")};
    Write("POP1", "Mesid", "<a@x>,");
    mailbox_->quitReply = "-ERR busy\r\n";
    entry().messageCount = 7;
    EXPECT_EQ(Run().status, kStatusLogin);
    EXPECT_EQ(Read("POP1", "Mesid"), "<a@x>,");
    EXPECT_EQ(entry().messageCount.load(), 7);
}

TEST_F(CheckCycleTest, BusyOrUnknownAccountEndsAtOnce) {
    entry().busy = true;
    EXPECT_FALSE(Run().ran);
    EXPECT_TRUE(host_->events.empty());
    entry().busy = false;
    entry().timerId = 99;
    EXPECT_FALSE(Run().ran);
    EXPECT_TRUE(host_->events.empty());
}

TEST_F(CheckCycleTest, AbandonedRunPublishesNothing) {
    mailbox_->messages = {MakeMessage("<a@x>", "one"), MakeMessage("<b@x>", "two")};
    Write("POP1", "Popup", "Yes");
    Write("POP1", "Sound", "ding.wav");
    auto run = std::make_shared<CheckRun>(42);
    entry().worker = 42;
    // The watchdog gives up while the session waits for a message.
    mailbox_->onCommand = [run](const std::string& line) {
        if (line.rfind("TOP", 0) == 0) {
            EXPECT_TRUE(run->Abandon());
        }
    };
    CheckOutcome outcome = Run(false, run);
    EXPECT_FALSE(outcome.published);
    EXPECT_FALSE(host_->Has("done"));
    EXPECT_FALSE(host_->Has("newmail"));
    EXPECT_FALSE(host_->Has("clear"));
    EXPECT_TRUE(sound_.played.empty());
    EXPECT_EQ(Read("POP1", "Mesid"), "(missing)");
    EXPECT_EQ(entry().status.load(), kStatusChecking);
    EXPECT_FALSE(entry().busy.load());
    // The cancelled socket ended the session without another command.
    EXPECT_NE(mailbox_->commands.back(), "LIST 1");
}

TEST_F(CheckCycleTest, EveryRunEndsWithOneTraceOfItsOutcome) {
    const struct {
        const char* check;
        bool abandon;
        const char* trace;
    } cases[] = {{"Yes", false, "check POP1: status -6, 2 new\n"},
                 {"No", false, "check POP1: status -8, 0 new\n"},
                 {"Yes", true, "check POP1: abandoned\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trace);
        SetUp();
        mailbox_->messages = {MakeMessage("<a@x>", "one"), MakeMessage("<b@x>", "two")};
        Write("POP1", "Check", c.check);
        auto run = std::make_shared<CheckRun>(7);
        entry().worker = 7;
        if (c.abandon)
            run->Abandon();
        Run(false, run);
        EXPECT_EQ(checkTraces_, std::vector<std::string>{c.trace});
        checkTraces_.clear();
    }
}

TEST_F(CheckCycleTest, OpeningFailuresGiveTheirCodes) {
    struct Case {
        bool resolve, other, connect;
        int status;
    };
    const Case cases[] = {
        {true, false, false, kStatusResolve},
        {false, true, false, kStatusOtherApp},
        {false, false, true, kStatusConnect},
    };
    for (const Case& c : cases) {
        SetUp();
        network_->resolveFails = c.resolve;
        network_->otherAppConnected = c.other;
        network_->connectFails = c.connect;
        EXPECT_EQ(Run().status, c.status);
        EXPECT_EQ(host_->events.back(), "done");
        TearDown();
    }
}

TEST_F(CheckCycleTest, ProtectedConnectionComesBeforeAnyLogin) {
    const std::string print(64, 'A');
    struct Case {
        const char* name;
        const char* security;  // nullptr: no key
        const char* port;
        const char* stlsReply;
        int tlsStatus;
        std::uint16_t connectedPort;
        int handshakes;
        std::size_t commandsBeforeTls;
        std::vector<std::string> firstCommands;
        int status;
    };
    const Case cases[] = {
        {"no key: plain", nullptr, "", "", 0, 110, 0, 0, {"USER u", "PASS "}, kStatusOk},
        {"implicit TLS on 995", "2", "", "", 0, 995, 1, 0, {"USER u", "PASS "}, kStatusOk},
        {"unknown mode is protected", "7", "", "", 0, 995, 1, 0, {"USER u"}, kStatusOk},
        {"STLS on 110", "1", "", "+OK go\r\n", 0, 110, 1, 1, {"STLS", "USER u"}, kStatusOk},
        {"STLS on its port",
         "1",
         "2110",
         "+OK go\r\n",
         0,
         2110,
         1,
         1,
         {"STLS", "USER u"},
         kStatusOk},
        {"STLS refused", "1", "", "-ERR no\r\n", 0, 110, 0, 0, {"STLS"}, kStatusNoStls},
        {"STLS unanswered", "1", "", "", 0, 110, 0, 0, {"STLS"}, kStatusNoStls},
        {"clear text behind +OK",
         "1",
         "",
         "+OK go\r\n+OK in\r\n",
         0,
         110,
         0,
         0,
         {"STLS"},
         kStatusTlsFailed},
        {"handshake fails", "2", "", "", kStatusTlsFailed, 995, 1, 0, {}, kStatusTlsFailed},
        {"certificate refused",
         "2",
         "",
         "",
         kStatusBadCertificate,
         995,
         1,
         0,
         {},
         kStatusBadCertificate},
        {"refused after STLS",
         "1",
         "",
         "+OK\r\n",
         kStatusBadCertificate,
         110,
         1,
         1,
         {"STLS"},
         kStatusBadCertificate},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.security)
            Write("POP1", "Security", c.security);
        Write("POP1", "Port", c.port);
        Write("POP1", "CertFingerprint", "ab:cd");
        mailbox_->stlsReply = c.stlsReply;
        mailbox_->tlsOutcome.status = c.tlsStatus;
        CheckOutcome outcome = Run();
        EXPECT_EQ(outcome.status, c.status) << c.name;
        EXPECT_EQ(mailbox_->connectedPort, c.connectedPort) << c.name;
        ASSERT_EQ(mailbox_->tlsRequests.size(), static_cast<std::size_t>(c.handshakes)) << c.name;
        if (c.handshakes) {
            EXPECT_EQ(mailbox_->tlsRequests[0].serverName, "mail.test") << c.name;
            EXPECT_EQ(mailbox_->tlsRequests[0].pinnedPrint, "ab:cd") << c.name;
            EXPECT_EQ(mailbox_->commandsBeforeTls, c.commandsBeforeTls) << c.name;
            // Also a refused certificate is shown, so that it can be pinned.
            EXPECT_EQ(outcome.certificateFingerprint, print) << c.name;
            EXPECT_EQ(outcome.tlsProtocol, "TLSv1.3") << c.name;
        } else {
            EXPECT_EQ(outcome.certificateFingerprint, "") << c.name;
        }
        std::vector<std::string> first(
            mailbox_->commands.begin(),
            mailbox_->commands.begin() +
                std::min(mailbox_->commands.size(), c.firstCommands.size() + 1));
        if (c.status == kStatusOk)
            first.resize(c.firstCommands.size());
        EXPECT_EQ(first, c.firstCommands) << c.name;
        TearDown();
    }
}

// Counts what the file is asked to write.
class CountingUidlStore final : public SeenUidlStore {
  public:
    explicit CountingUidlStore(SeenUidlStore& base) : base_(base) {}
    std::optional<SeenUidls> Load(std::string_view account) override { return base_.Load(account); }
    bool Save(std::string_view account, const SeenUidls& entry,
              const std::vector<std::string>& accounts) override {
        ++saves;
        return base_.Save(account, entry, accounts);
    }
    int saves = 0;

  private:
    SeenUidlStore& base_;
};

TEST_F(CheckCycleTest, SeenUidlsMakeCountsExactAcrossChecks) {
    const std::string uidlPath = SeenUidlPathFor(path_);
    std::filesystem::remove(uidlPath);
    SeenUidlFile file(uidlPath, PlatformFileAccess());
    CountingUidlStore store(file);
    mailbox_->capabilities = test::Capabilities(true);
    auto deliver = [this](int from, int to) {
        for (int i = from; i <= to; ++i)
            mailbox_->messages.push_back(MakeMessage("<m" + std::to_string(i) + "@x>", "s"));
    };
    auto tops = [this] {
        return std::count_if(mailbox_->commands.begin(), mailbox_->commands.end(),
                             [](const std::string& c) { return c.rfind("TOP", 0) == 0; });
    };
    deliver(1, 3);
    EXPECT_EQ(Run(true, nullptr, &store).newCount, 3);  // the first check: all
    EXPECT_EQ(store.saves, 1);
    deliver(4, 123);
    mailbox_->commands.clear();
    CheckOutcome outcome = Run(true, nullptr, &store);
    EXPECT_EQ(outcome.status, kStatusNewMail);
    EXPECT_EQ(outcome.newCount, 120);
    EXPECT_EQ(outcome.summaries.size(), 50u);
    EXPECT_EQ(tops(), 50);
    EXPECT_EQ(Read("POP1", "Mesid").rfind("<m123@x>,<m122@x>,", 0), 0u);
    // Nothing new: no fetch. Mesid comes down to the newest id once, as
    // after any check; then the file is left alone.
    for (int saves : {3, 3}) {
        mailbox_->commands.clear();
        EXPECT_EQ(Run(true, nullptr, &store).newCount, 0);
        EXPECT_EQ(tops(), 0);
        EXPECT_EQ(store.saves, saves);
        EXPECT_EQ(Read("POP1", "Mesid"), "<m123@x>,");
    }
    // Seen messages deleted, the newest among them: still nothing new, and
    // the newest left is the one Mesid names.
    mailbox_->messages.erase(mailbox_->messages.end() - 1);
    mailbox_->messages.erase(mailbox_->messages.begin());
    EXPECT_EQ(Run(true, nullptr, &store).newCount, 0);
    EXPECT_EQ(store.saves, 4);
    EXPECT_EQ(Read("POP1", "Mesid"), "<m122@x>,");
    std::filesystem::remove(uidlPath);
}

TEST_F(CheckCycleTest, WithoutUsableSeenUidlsMesidDecides) {
    // 60 messages, the last check saw up to the 50th: ten are new whatever
    // state the seen-UIDL file is in, and Mesid is written in every case.
    const std::string uidlPath = SeenUidlPathFor(path_);
    const std::string fresh = "<m50@x>,";
    struct Case {
        const char* name;
        std::string fileText;  // empty: no file
        std::string storePath;
        bool saved;
    };
    const std::string otherMailbox = "Pell Watcher seen UIDLs 1\nA POP1\nM " +
                                     std::string(32, 'a') + "\nS " + SeenIdsHash(fresh) + "\nE 0\n";
    const std::string otherMesid = "Pell Watcher seen UIDLs 1\nA POP1\nM " +
                                   MailboxIdentity("mail.test", "", "u") + "\nS " +
                                   SeenIdsHash("<m60@x>,") + "\nE 0\n";
    const Case cases[] = {
        {"missing", "", uidlPath, true},
        {"corrupt", "Pell Watcher seen UIDLs 1\nA POP1\nM zz\n", uidlPath, true},
        {"another mailbox", otherMailbox, uidlPath, true},
        {"saved with another Mesid", otherMesid, uidlPath, true},
        {"unwritable", "", path_ + ".missing/x.uidl", false},
    };
    for (const Case& c : cases) {
        SetUp();
        std::filesystem::remove(uidlPath);
        if (!c.fileText.empty())
            std::ofstream(uidlPath, std::ios::binary) << c.fileText;
        SeenUidlFile file(c.storePath, PlatformFileAccess());
        mailbox_->capabilities = test::Capabilities(true);
        for (int i = 1; i <= 60; ++i)
            mailbox_->messages.push_back(MakeMessage("<m" + std::to_string(i) + "@x>", "s"));
        Write("POP1", "Mesid", fresh.c_str());
        CheckOutcome outcome = Run(true, nullptr, &file);
        EXPECT_EQ(outcome.status, kStatusNewMail) << c.name;
        EXPECT_EQ(outcome.newCount, 10) << c.name;
        EXPECT_EQ(outcome.seenUidlsSaved, c.saved) << c.name;
        EXPECT_EQ(Read("POP1", "Mesid").rfind("<m60@x>,", 0), 0u) << c.name;
        // The next check is exact either way: by the file, or by Mesid.
        mailbox_->messages.push_back(MakeMessage("<m61@x>", "s"));
        mailbox_->commands.clear();
        outcome = Run(true, nullptr, &file);
        EXPECT_EQ(outcome.newCount, 1) << c.name;
        if (c.saved) {
            EXPECT_EQ(std::count(mailbox_->commands.begin(), mailbox_->commands.end(), "TOP 61 10"),
                      1)
                << c.name;
            EXPECT_EQ(mailbox_->commands.size(), 7u)
                << c.name;  // USER PASS CAPA STAT UIDL TOP QUIT
        }
        std::filesystem::remove(uidlPath);
        TearDown();
    }
    EXPECT_EQ(NewMailNoticeText("Home", 2000, true), "Home にメールが2000+通届いています。");
}

}  // namespace
}  // namespace pell
