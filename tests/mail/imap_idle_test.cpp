// The idle watcher's connection against the scripted server.
#include "mail/imap_idle.h"

#include <gtest/gtest.h>

#include "mail/status_codes.h"
#include "support/scripted_imap.h"

namespace pell {
namespace {

using test::IdleStep;
using test::ImapMessageText;
using test::ImapServerScript;
using test::ScriptedImapNetwork;

ImapAccount Account() {
    ImapAccount account;
    account.server = "mail.test";
    account.user = "user";
    account.password = "secret";
    return account;
}

struct IdleRun {
    IdleResult result;
    int newMail = 0;
    int idling = 0;
    std::vector<std::string> commands;  // without their tags
};

// Runs the watcher; it is stopped once the server's steps are used up and
// the thread waits for more.
IdleRun Watch(const std::shared_ptr<ImapServerScript>& script, ImapAccount account = Account()) {
    ScriptedImapNetwork network(script);
    IdleControl control;
    IdleRun run;
    IdleHooks hooks;
    hooks.onNewMail = [&run] { ++run.newMail; };
    hooks.onIdling = [&run] { ++run.idling; };
    script->onBlock = [&control] { control.Stop(); };
    run.result = RunImapIdle(network, account, control, hooks);
    for (const std::string& command : script->commands)
        run.commands.push_back(command.substr(command.find(' ') + 1));
    return run;
}

TEST(ImapIdleTest, AnnouncesNewMailUntilStoppedOrDropped) {
    struct Case {
        const char* name;
        std::vector<IdleStep> steps;
        bool block;  // the server stays quiet at the end: the owner stops it
        bool answerDone;
        IdleEnd end;
        int status;
        int newMail;
        int idling;
    };
    const Case cases[] = {
        {"EXISTS", {{IdleStep::kSend, "* 3 EXISTS\r\n"}}, true, true, IdleEnd::kStopped, 0, 1, 1},
        {"a burst is one notice",
         {{IdleStep::kSend, "* 3 EXISTS\r\n* 1 RECENT\r\n* 4 EXISTS\r\n"}},
         true,
         true,
         IdleEnd::kStopped,
         0,
         1,
         1},
        {"mail soon after a notice is told when the gap has passed",
         {{IdleStep::kSend, "* 3 EXISTS\r\n"},
          {IdleStep::kSend, "* 4 EXISTS\r\n"},
          {IdleStep::kSend, "* 5 EXISTS\r\n"},
          {IdleStep::kQuiet, ""}},
         true,
         true,
         IdleEnd::kStopped,
         0,
         2,
         1},
        {"a server that keeps saying EXISTS gets one notice per gap",
         {{IdleStep::kSend, "* 3 EXISTS\r\n"},
          {IdleStep::kSend, "* 4 EXISTS\r\n"},
          {IdleStep::kSend, "* 5 EXISTS\r\n"},
          {IdleStep::kSend, "* 6 EXISTS\r\n"}},
         true,
         true,
         IdleEnd::kStopped,
         0,
         1,
         1},
        {"RECENT alone",
         {{IdleStep::kSend, "* 2 RECENT\r\n"}},
         true,
         true,
         IdleEnd::kStopped,
         0,
         1,
         1},
        {"other news are no mail",
         {{IdleStep::kSend, "* 0 RECENT\r\n* 2 EXPUNGE\r\n* 1 FETCH (FLAGS (\\Seen))\r\n"}},
         true,
         true,
         IdleEnd::kStopped,
         0,
         0,
         1},
        {"renewed after the quiet period",
         {{IdleStep::kQuiet, ""}, {IdleStep::kQuiet, ""}, {IdleStep::kSend, "* 5 EXISTS\r\n"}},
         true,
         true,
         IdleEnd::kStopped,
         0,
         1,
         3},
        {"dropped by the server",
         {{IdleStep::kClose, ""}},
         false,
         true,
         IdleEnd::kFailed,
         kStatusConnect,
         0,
         1},
        {"BYE",
         {{IdleStep::kSend, "* BYE autologout\r\n"}},
         false,
         true,
         IdleEnd::kFailed,
         kStatusConnect,
         0,
         1},
        {"garbage",
         {{IdleStep::kSend, std::string(5 * 1024 * 1024, 'x')}},
         false,
         true,
         IdleEnd::kFailed,
         kStatusBadReply,
         0,
         1},
        {"a failed wait", {}, false, true, IdleEnd::kFailed, kStatusConnect, 0, 1},
        {"silence: DONE unanswered",
         {{IdleStep::kQuiet, ""}},
         false,
         false,
         IdleEnd::kFailed,
         kStatusConnect,
         0,
         1},
        {"an IDLE ended at once by the server is not renewed at once",
         {{IdleStep::kSend, "p3 OK done\r\n"}},
         false,
         true,
         IdleEnd::kFailed,
         kStatusBadReply,
         0,
         1},
    };
    for (const Case& c : cases) {
        auto script = std::make_shared<ImapServerScript>();
        script->idleSteps = c.steps;
        script->blockWhenIdle = c.block;
        script->answerDone = c.answerDone;
        IdleRun run = Watch(script);
        EXPECT_EQ(run.result.end, c.end) << c.name;
        EXPECT_EQ(run.result.status, c.status) << c.name;
        EXPECT_EQ(run.newMail, c.newMail) << c.name;
        EXPECT_EQ(run.idling, c.idling) << c.name;
        // Read-only, and each renewal is DONE followed by a new IDLE.
        auto examine = std::find(run.commands.begin(), run.commands.end(), "EXAMINE \"INBOX\"");
        ASSERT_NE(examine, run.commands.end()) << c.name;
        std::vector<std::string> after(examine + 1, run.commands.end());
        std::vector<std::string> expected;
        for (int i = 0; i < c.idling; ++i) {
            if (i > 0)
                expected.push_back("DONE");
            expected.push_back("IDLE");
        }
        if (!c.answerDone)
            expected.push_back("DONE");
        EXPECT_EQ(after, expected) << c.name;
    }
}

TEST(ImapIdleTest, ServersWithoutIdle) {
    struct Case {
        const char* name;
        std::function<void(ImapServerScript&)> setup;
        IdleEnd end;
        std::string last;
    };
    const Case cases[] = {
        {"not announced",
         [](ImapServerScript& s) {
             s.greeting = "* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] hi\r\n";
             s.capabilities = "IMAP4rev1 AUTH=PLAIN";
         },
         IdleEnd::kNoIdle, "LOGOUT"},
        {"announced only after the login",
         [](ImapServerScript& s) {
             s.greeting = "* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] hi\r\n";
             s.blockWhenIdle = true;
         },
         IdleEnd::kStopped, "IDLE"},
        {"refused",
         [](ImapServerScript& s) {
             s.answer = [](const std::string& c) -> std::optional<std::string> {
                 if (c == "IDLE")
                     return "{tag} BAD unknown\r\n";
                 return std::nullopt;
             };
         },
         IdleEnd::kNoIdle, "LOGOUT"},
        {"login refused", [](ImapServerScript& s) { s.password = "other"; }, IdleEnd::kFailed,
         "AHVzZXIAc2VjcmV0"},
    };
    for (const Case& c : cases) {
        auto script = std::make_shared<ImapServerScript>();
        c.setup(*script);
        IdleRun run = Watch(script);
        EXPECT_EQ(run.result.end, c.end) << c.name;
        EXPECT_EQ(run.commands.back(), c.last) << c.name;
    }
}

TEST(ImapIdleTest, MailSinceTheLastCheckIsAnnouncedAtOnce) {
    struct Case {
        std::uint32_t validity, next;
        int newMail;
    };
    // The server's folder: UIDVALIDITY 7, UIDNEXT 5.
    const Case cases[] = {{7, 5, 0}, {7, 3, 1}, {6, 3, 0}, {0, 0, 0}};
    for (const Case& c : cases) {
        auto script = std::make_shared<ImapServerScript>();
        script->uidNext = 5;
        script->blockWhenIdle = true;
        ImapAccount account = Account();
        account.uidValidity = c.validity;
        account.uidNext = c.next;
        EXPECT_EQ(Watch(script, account).newMail, c.newMail) << c.validity << " " << c.next;
    }
}

TEST(ImapIdleTest, StoppedBeforeItStartsConnectsNowhere) {
    auto script = std::make_shared<ImapServerScript>();
    ScriptedImapNetwork network(script);
    IdleControl control;
    control.Stop();
    EXPECT_EQ(RunImapIdle(network, Account(), control, {}).end, IdleEnd::kStopped);
    EXPECT_TRUE(script->commands.empty());
}

}  // namespace
}  // namespace pell
