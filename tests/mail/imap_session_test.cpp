// A whole IMAP check against the scripted server.
#include "mail/imap_session.h"

#include <gtest/gtest.h>

#include "mail/mail_session.h"
#include "mail/status_codes.h"
#include "support/scripted_imap.h"

namespace pell {
namespace {

using test::IdleStep;
using test::ImapMessageText;
using test::ImapServerScript;
using test::ImapTestMessage;
using test::ScriptedImapNetwork;

std::shared_ptr<ImapServerScript> Box(int count, std::uint32_t firstUid = 1) {
    auto script = std::make_shared<ImapServerScript>();
    for (int i = 0; i < count; ++i) {
        std::uint32_t uid = firstUid + static_cast<std::uint32_t>(i);
        script->messages.push_back(
            {uid, ImapMessageText("<m" + std::to_string(uid) + "@x>", "S" + std::to_string(uid))});
    }
    return script;
}

PopSessionInput Input(std::uint32_t validity = 0, std::uint32_t next = 0) {
    PopSessionInput in;
    in.protocol = kProtocolImap;
    in.server = "mail.test";
    in.user = "user";
    in.password = "secret";
    in.imapUidValidity = validity;
    in.imapUidNext = next;
    return in;
}

PopSessionOutput Check(const std::shared_ptr<ImapServerScript>& script,
                       const PopSessionInput& in = Input()) {
    ScriptedImapNetwork network(script);
    PopSessionOutput out;
    RunMailSession(network, in, out, {});
    return out;
}

std::vector<std::string> Subjects(const PopSessionOutput& out) {
    std::vector<std::string> subjects;
    if (out.summaries) {
        for (const MailSummary& s : *out.summaries)
            subjects.push_back(s.subject);
    }
    return subjects;
}

bool Sent(const ImapServerScript& script, const std::string& part) {
    for (const std::string& command : script.commands) {
        if (command.find(part) != std::string::npos)
            return true;
    }
    return false;
}

TEST(ImapSessionTest, NewMailCountsFromTheStoredMarkWithoutReadMessages) {
    struct Case {
        const char* name;
        int messages;
        std::vector<std::uint32_t> seen;
        std::uint32_t validity, next;  // stored
        int newCount;
        std::size_t summaries;
        std::string newest;  // subject of the first summary
        std::uint32_t outNext;
    };
    const Case cases[] = {
        {"empty box, first check", 0, {}, 0, 0, 0, 0, "", 1},
        {"first check", 3, {}, 0, 0, 3, 1, "S3", 4},
        {"first check, newest read elsewhere", 3, {3}, 0, 0, 2, 1, "S2", 4},
        {"nothing new", 4, {}, 7, 5, 0, 0, "", 5},
        {"one new", 4, {}, 7, 4, 1, 1, "S4", 5},
        {"fifty new", 50, {}, 7, 1, 50, 50, "S50", 51},
        {"fifty-one new", 51, {}, 7, 1, 51, 50, "S51", 52},
        {"new ones read elsewhere", 6, {4, 6}, 7, 3, 2, 2, "S5", 7},
        {"UIDVALIDITY changed", 5, {}, 6, 3, 5, 1, "S5", 6},
        {"all read", 2, {1, 2}, 0, 0, 0, 0, "", 3},
    };
    for (const Case& c : cases) {
        auto script = Box(c.messages);
        for (ImapTestMessage& m : script->messages)
            m.seen = std::find(c.seen.begin(), c.seen.end(), m.uid) != c.seen.end();
        PopSessionOutput out = Check(script, Input(c.validity, c.next));
        EXPECT_EQ(out.result, kStatusOk) << c.name;
        EXPECT_EQ(out.messageCount, c.messages) << c.name;
        EXPECT_EQ(out.newCount, c.newCount) << c.name;
        std::vector<std::string> subjects = Subjects(out);
        EXPECT_EQ(subjects.size(), c.summaries) << c.name;
        if (!c.newest.empty() && !subjects.empty()) {
            EXPECT_EQ(subjects.front(), c.newest) << c.name;
        }
        EXPECT_EQ(out.imapUidValidity, 7u) << c.name;
        EXPECT_EQ(out.imapUidNext, c.outNext) << c.name;
        // The mailbox is never changed and no message is marked as read.
        for (const std::string& command : script->commands) {
            for (const char* word : {"STORE", "EXPUNGE", "SELECT", "BODY[", "RFC822 "})
                EXPECT_EQ(command.find(word), std::string::npos) << c.name << ": " << command;
        }
        EXPECT_EQ(script->commands.back().substr(script->commands.back().find(' ') + 1), "LOGOUT")
            << c.name;
    }
}

TEST(ImapSessionTest, SummariesNewestFirstWithTheSeenList) {
    auto script = Box(3);
    script->messages[1].text = ImapMessageText("<m2@x>", "two", ".dotted\r\nline 2\r\n");
    script->messages[2].text = "Subject: no id\r\n\r\nbody\r\n";
    PopSessionOutput out = Check(script, Input(7, 1));
    EXPECT_EQ(Subjects(out), (std::vector<std::string>{"no id", "two", "S1"}));
    ASSERT_TRUE(out.newSeenIds);
    EXPECT_EQ(out.newSeenIds->substr(17), ",<m2@x>,<m1@x>,");
    EXPECT_TRUE(IsSyntheticMessageId(out.newSeenIds->substr(0, 17)));
    // The body reaches the summary as a POP3 server would have sent it.
    EXPECT_NE((*out.summaries)[1].viewer.find(".dotted"), std::string::npos);
    // Without new mail the stored list stays.
    PopSessionInput later = Input(7, 4);
    later.seenIds = "<m3@x>,";
    PopSessionOutput none = Check(Box(3), later);
    EXPECT_EQ(none.newSeenIds, "<m3@x>,");
}

TEST(ImapSessionTest, FirstLinesOrWholeMessage) {
    std::string body;
    for (int i = 1; i <= 12; ++i)
        body += "line " + std::to_string(i) + "\r\n";
    for (bool readAll : {false, true}) {
        auto script = Box(1);
        script->messages[0].text = ImapMessageText("<a@x>", "long", body);
        PopSessionInput in = Input(7, 1);
        in.readAll = readAll;
        PopSessionOutput out = Check(script, in);
        ASSERT_EQ(Subjects(out).size(), 1u) << readAll;
        const std::string& viewer = (*out.summaries)[0].viewer;
        EXPECT_EQ(viewer.find("line 11") != std::string::npos, readAll) << viewer;
        EXPECT_EQ(viewer.find("(max 10 lines)") != std::string::npos, !readAll) << viewer;
    }
}

TEST(ImapSessionTest, GreetingAndLogin) {
    struct Case {
        const char* name;
        std::function<void(ImapServerScript&, PopSessionInput&)> setup;
        int result;
        std::vector<std::string> sent;     // parts of commands that must have gone out
        std::vector<std::string> notSent;  // and parts that must not
    };
    const Case cases[] = {
        {"AUTHENTICATE PLAIN when announced",
         [](ImapServerScript&, PopSessionInput&) {},
         kStatusOk,
         {"AUTHENTICATE PLAIN", "AHVzZXIAc2VjcmV0"},
         {"LOGIN"}},
        {"initial response with SASL-IR",
         [](ImapServerScript& s, PopSessionInput&) {
             s.greeting = "* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN] hi\r\n";
         },
         kStatusOk,
         {"AUTHENTICATE PLAIN AHVzZXIAc2VjcmV0"},
         {"LOGIN"}},
        {"LOGIN with quoted strings",
         [](ImapServerScript& s, PopSessionInput& in) {
             s.greeting = "* OK hi\r\n";
             s.capabilities = "IMAP4rev1";
             s.password = in.password = "pa\"ss\\word";
         },
         kStatusOk,
         {"CAPABILITY", "LOGIN \"user\" \"pa\\\"ss\\\\word\""},
         {"AUTHENTICATE"}},
        {"LOGIN with a Shift_JIS password as a literal",
         [](ImapServerScript& s, PopSessionInput& in) {
             s.greeting = "* OK [CAPABILITY IMAP4rev1] hi\r\n";
             s.password = in.password = "パス";
         },
         kStatusOk,
         {"LOGIN \"user\" {4}"},
         {}},
        {"PREAUTH skips the login",
         [](ImapServerScript& s, PopSessionInput&) { s.greeting = "* PREAUTH welcome\r\n"; },
         kStatusOk,
         {"EXAMINE"},
         {"LOGIN", "AUTHENTICATE", "CAPABILITY"}},
        {"BYE greeting",
         [](ImapServerScript& s, PopSessionInput&) { s.greeting = "* BYE busy\r\n"; },
         kStatusConnect,
         {},
         {"LOGIN", "AUTHENTICATE", "LOGOUT"}},
        {"a POP3 server",
         [](ImapServerScript& s, PopSessionInput&) { s.greeting = "+OK pop\r\n"; },
         kStatusBadReply,
         {},
         {"AUTHENTICATE"}},
        {"no greeting",
         [](ImapServerScript& s, PopSessionInput&) { s.greeting = ""; },
         kStatusConnect,
         {},
         {"AUTHENTICATE"}},
        {"wrong password",
         [](ImapServerScript&, PopSessionInput& in) { in.password = "other"; },
         kStatusLogin,
         {"AUTHENTICATE"},
         {"EXAMINE", "LOGOUT"}},
        {"LOGIN refused",
         [](ImapServerScript& s, PopSessionInput& in) {
             s.greeting = "* OK [CAPABILITY IMAP4rev1] hi\r\n";
             in.password = "other";
         },
         kStatusLogin,
         {"LOGIN"},
         {"EXAMINE"}},
        {"mailbox held by another session",
         [](ImapServerScript& s, PopSessionInput&) {
             s.answer = [](const std::string& c) -> std::optional<std::string> {
                 if (c.rfind("AUTHENTICATE", 0) == 0)
                     return "{tag} NO [INUSE] Mailbox in use\r\n";
                 return std::nullopt;
             };
         },
         kStatusOtherApp,
         {"AUTHENTICATE"},
         {"EXAMINE"}},
        {"a password with a line break is never sent",
         [](ImapServerScript&, PopSessionInput& in) { in.password = "a\r\nb LOGOUT"; },
         kStatusPassword,
         {},
         {"AUTHENTICATE", "LOGIN", "LOGOUT"}},
        {"a user name with NUL is never sent",
         [](ImapServerScript&, PopSessionInput& in) { in.user = std::string("us\0er", 5); },
         kStatusUser,
         {},
         {"AUTHENTICATE", "LOGIN"}},
        {"login unanswered",
         [](ImapServerScript& s, PopSessionInput&) {
             s.answer = [](const std::string& c) -> std::optional<std::string> {
                 if (c.rfind("AUTHENTICATE", 0) == 0)
                     return "";
                 return std::nullopt;
             };
         },
         kStatusPassword,
         {},
         {"EXAMINE"}},
        {"missing folder",
         [](ImapServerScript&, PopSessionInput& in) { in.folder = "Nowhere"; },
         kStatusNoFolder,
         {"EXAMINE \"Nowhere\""},
         {"SEARCH"}},
        {"Japanese folder",
         [](ImapServerScript& s, PopSessionInput& in) {
             in.folder = "仕事";
             s.folders = {"&TtVOiw-"};
         },
         kStatusOk,
         {"EXAMINE \"&TtVOiw-\""},
         {}},
    };
    for (const Case& c : cases) {
        auto script = Box(1);
        PopSessionInput in = Input();
        c.setup(*script, in);
        PopSessionOutput out = Check(script, in);
        EXPECT_EQ(out.result, c.result) << c.name;
        for (const std::string& part : c.sent)
            EXPECT_TRUE(Sent(*script, part)) << c.name << ": " << part;
        for (const std::string& part : c.notSent)
            EXPECT_FALSE(Sent(*script, part)) << c.name << ": " << part;
    }
}

TEST(ImapSessionTest, ProtectionNeverFallsBackToPlainText) {
    struct Case {
        const char* name;
        int security;
        std::function<void(ImapServerScript&)> setup;
        int result;
        std::uint16_t port;
        int handshakes;
    };
    const Case cases[] = {
        {"plain", 0, [](ImapServerScript&) {}, kStatusOk, 143, 0},
        {"implicit TLS", 2, [](ImapServerScript&) {}, kStatusOk, 993, 1},
        {"STARTTLS", 1, [](ImapServerScript&) {}, kStatusOk, 143, 1},
        {"STARTTLS not announced", 1, [](ImapServerScript& s) { s.capabilities = "IMAP4rev1"; },
         kStatusNoStls, 143, 0},
        {"STARTTLS refused", 1,
         [](ImapServerScript& s) {
             s.answer = [](const std::string& c) -> std::optional<std::string> {
                 if (c == "STARTTLS")
                     return "{tag} NO not now\r\n";
                 return std::nullopt;
             };
         },
         kStatusNoStls, 143, 0},
        {"bytes behind the STARTTLS answer", 1,
         [](ImapServerScript& s) { s.afterStartTls = "* OK [CAPABILITY AUTH=PLAIN] x\r\n"; },
         kStatusTlsFailed, 143, 0},
        {"PREAUTH in the clear", 1, [](ImapServerScript& s) { s.greeting = "* PREAUTH hi\r\n"; },
         kStatusNoStls, 143, 0},
        {"handshake failed", 2,
         [](ImapServerScript& s) { s.tlsOutcome.status = kStatusBadCertificate; },
         kStatusBadCertificate, 993, 1},
    };
    for (const Case& c : cases) {
        auto script = Box(2);
        // Only the capabilities heard after the handshake offer PLAIN.
        script->greeting = "* OK hi\r\n";
        script->capabilities = "IMAP4rev1 STARTTLS";
        script->tlsCapabilities = "IMAP4rev1 AUTH=PLAIN";
        c.setup(*script);
        PopSessionInput in = Input();
        in.security = c.security;
        PopSessionOutput out = Check(script, in);
        EXPECT_EQ(out.result, c.result) << c.name;
        EXPECT_EQ(script->connectedPort, c.port) << c.name;
        EXPECT_EQ(script->tlsHandshakes, c.handshakes) << c.name;
        if (c.security == 0)
            continue;
        // Nothing of the login went out in the clear, and the capabilities
        // heard in the clear did not choose it.
        const std::size_t clear =
            c.handshakes ? script->commandsBeforeTls : script->commands.size();
        for (std::size_t i = 0; i < clear; ++i) {
            EXPECT_EQ(script->commands[i].find("LOGIN"), std::string::npos) << c.name;
            EXPECT_EQ(script->commands[i].find("AUTHENTICATE"), std::string::npos) << c.name;
        }
        EXPECT_EQ(Sent(*script, "AUTHENTICATE PLAIN"), c.result == kStatusOk) << c.name;
    }
}

TEST(ImapSessionTest, FailingAndHostileServers) {
    auto answering = [](std::string verb, std::string bytes) {
        return [verb, bytes](ImapServerScript& s) {
            s.answer = [verb, bytes](const std::string& c) -> std::optional<std::string> {
                if (c.rfind(verb, 0) == 0)
                    return bytes;
                return std::nullopt;
            };
        };
    };
    struct Case {
        const char* name;
        std::function<void(ImapServerScript&)> setup;
        int result;
        int newCount;
        std::size_t summaries;
    };
    const Case cases[] = {
        {"EXAMINE unanswered", answering("EXAMINE", ""), kStatusList, 0, 0},
        {"SEARCH refused", answering("UID SEARCH", "{tag} NO busy\r\n"), kStatusList, 0, 0},
        {"SEARCH unparsable", answering("UID SEARCH", "{tag} BAD what\r\n"), kStatusList, 0, 0},
        {"FETCH refused", answering("UID FETCH", "{tag} NO gone\r\n"), kStatusTop, 2, 0},
        {"LOGOUT refused", answering("LOGOUT", "{tag} NO stay\r\n"), kStatusLogin, 2, 2},
        {"LOGOUT unanswered", answering("LOGOUT", ""), kStatusQuit, 2, 2},
        {"BYE in the middle", answering("UID SEARCH", "* BYE shutting down\r\n"), kStatusConnect, 0,
         0},
        {"a 100 MB literal",
         answering("UID FETCH", "* 1 FETCH (UID 2 BODY[HEADER]<0> {104857600}\r\nabc"),
         kStatusBadReply, 2, 0},
        {"garbage without end", answering("UID SEARCH", std::string(8 * 1024 * 1024, 'x')),
         kStatusBadReply, 0, 0},
        {"untagged replies in any order",
         answering("EXAMINE",
                   "* OK [UIDNEXT 3] n\r\n* FLAGS ()\r\n* 9 FETCH (FLAGS (\\Seen))\r\n"
                   "* OK [UIDVALIDITY 7] v\r\n* 2 EXISTS\r\n* CAPABILITY X\r\n{tag} OK done\r\n"),
         kStatusOk, 2, 2},
        {"FETCH answers out of order, with flag updates between",
         answering("UID FETCH",
                   "* 2 FETCH (FLAGS () UID 2 BODY[HEADER]<0> {14}\r\nSubject: two\r\n)\r\n"
                   "* 1 FETCH (FLAGS (\\Seen))\r\n* 7 EXPUNGE\r\n"
                   "* 1 FETCH (UID 1 BODY[HEADER]<0> \"Subject: one\")\r\n"
                   "* 1 FETCH (UID 1 BODY[HEADER]<0> {14}\r\nSubject: dup\r\n)\r\n"
                   "{tag} OK done\r\n"),
         kStatusOk, 2, 2},
        {"a UID outside the range asked for",
         answering("UID SEARCH", "* SEARCH 1 2 99 0 x\r\n{tag} OK\r\n"), kStatusOk, 2, 2},
        {"no UIDNEXT in the answer", [](ImapServerScript& s) { s.announceUidNext = false; },
         kStatusOk, 2, 2},
    };
    for (const Case& c : cases) {
        auto script = Box(2);
        c.setup(*script);
        PopSessionOutput out = Check(script, Input(7, 1));
        EXPECT_EQ(out.result, c.result) << c.name;
        EXPECT_EQ(out.newCount, c.newCount) << c.name;
        EXPECT_EQ(Subjects(out).size(), c.summaries) << c.name;
        // However hostile, nothing near the announced size was read.
        EXPECT_LT(script->bytesReceivedByClient, 10u * 1024 * 1024) << c.name;
    }
    auto script = Box(2);
    answering(
        "UID FETCH",
        "* 2 FETCH (UID 2 BODY[HEADER]<0> {14}\r\nSubject: two\r\n)\r\n"
        "* 1 FETCH (UID 1 BODY[HEADER]<0> \"Subject: one\")\r\n"
        "* 1 FETCH (UID 1 BODY[HEADER]<0> {14}\r\nSubject: dup\r\n)\r\n{tag} OK\r\n")(*script);
    EXPECT_EQ(Subjects(Check(script, Input(7, 1))), (std::vector<std::string>{"two", "one"}));
}

}  // namespace
}  // namespace pell
