// Counting new mail against an in-memory server: exact by UIDL or by the walk
// over Message-IDs, with and without pipelining, and what a hostile UIDL
// reply or a server without CAPA gives.
#include <gtest/gtest.h>

#include <algorithm>

#include "mail/pop_session.h"
#include "mail/status_codes.h"
#include "support/scripted_network.h"

namespace pell {
namespace {

using test::Capabilities;
using test::MakeMessage;
using test::ScriptedMailbox;
using test::ScriptedNetwork;
using test::UidlOf;

std::shared_ptr<ScriptedMailbox> Mailbox(int count, std::vector<std::string> capabilities) {
    auto mailbox = std::make_shared<ScriptedMailbox>();
    for (int i = 1; i <= count; ++i)
        mailbox->messages.push_back(MakeMessage("<m" + std::to_string(i) + "@x>", "s"));
    mailbox->capabilities = std::move(capabilities);
    return mailbox;
}

std::vector<std::string> UidlsOf(const ScriptedMailbox& mailbox, std::size_t count) {
    std::vector<std::string> ids;
    for (std::size_t n = 1; n <= count; ++n)
        ids.push_back(UidlOf(mailbox, n));
    return ids;
}

struct Checked {
    PopSessionOutput out;
    std::vector<std::string> fetched;  // TOP/RETR commands
    int sendsAfterLogin = 0;           // round trips from CAPA to QUIT
};

Checked Check(ScriptedMailbox& mailbox, const std::shared_ptr<ScriptedMailbox>& shared,
              PopSessionInput in) {
    ScriptedNetwork network(shared);
    in.user = "u";
    in.password = mailbox.password;
    in.server = "mail.test";
    mailbox.commands.clear();
    mailbox.sends = 0;
    mailbox.mostCommandsInOneSend = 0;
    Checked checked;
    RunPopSession(network, in, checked.out, {});
    for (const std::string& command : mailbox.commands) {
        if (command.rfind("TOP", 0) == 0 || command.rfind("RETR", 0) == 0)
            checked.fetched.push_back(command);
    }
    checked.sendsAfterLogin = mailbox.sends - 2;  // USER, PASS
    return checked;
}

Checked Check(const std::shared_ptr<ScriptedMailbox>& mailbox, PopSessionInput in = {}) {
    return Check(*mailbox, mailbox, std::move(in));
}

TEST(PopUidlSession, CountsAreExactInFewRoundTrips) {
    for (bool pipelining : {true, false}) {
        for (int fresh : {0, 1, 50, 51, 120, 5000}) {
            SCOPED_TRACE(std::to_string(fresh) + (pipelining ? " pipelined" : " one by one"));
            auto mailbox = Mailbox(300 + fresh, Capabilities(pipelining));
            PopSessionInput in;
            in.seenUidls = UidlsOf(*mailbox, 300);
            in.seenIds = "<m300@x>,";
            const Checked c = Check(mailbox, in);
            const std::size_t summarised = std::min(fresh, 50);
            EXPECT_EQ(c.out.result, kStatusOk);
            EXPECT_EQ(c.out.newCount, fresh);
            EXPECT_FALSE(c.out.newAtLeast);
            ASSERT_EQ(c.out.summaries->size(), summarised);
            ASSERT_EQ(c.fetched.size(), summarised);
            if (fresh > 0) {
                // The newest first, and nothing below the newest 50 fetched.
                EXPECT_EQ(c.fetched.front(), "TOP " + std::to_string(300 + fresh) + " 10");
                EXPECT_EQ(c.fetched.back(),
                          "TOP " + std::to_string(300 + fresh - summarised + 1) + " 10");
                EXPECT_EQ(c.out.newSeenIds->rfind("<m" + std::to_string(300 + fresh) + "@x>,", 0),
                          0u);
            }
            // As the walk would have left it: the newest seen message ends the
            // list while fewer than 50 are new.
            EXPECT_EQ(c.out.newSeenIds->find("<m300@x>,") != std::string::npos, fresh < 50);
            ASSERT_TRUE(c.out.uidls);
            EXPECT_EQ(*c.out.uidls, UidlsOf(*mailbox, mailbox->messages.size()));
            // CAPA, STAT+UIDL, TOPs+QUIT pipelined; else one command a time.
            const int expected = pipelining ? 3 : 4 + static_cast<int>(summarised);
            EXPECT_EQ(c.sendsAfterLogin, expected);
            EXPECT_EQ(mailbox->mostCommandsInOneSend > 1, pipelining);
        }
    }
}

TEST(PopUidlSession, DeletionsAndDuplicatesChangeOnlyTheTotal) {
    auto mailbox = Mailbox(10, Capabilities(true));
    PopSessionInput in;
    in.seenUidls = UidlsOf(*mailbox, 10);
    // Seen messages go (the newest among them) and two arrive.
    for (int gone : {9, 2}) {
        mailbox->messages.erase(mailbox->messages.begin() + gone);
    }
    mailbox->uidls = UidlsOf(*mailbox, 8);
    mailbox->messages.push_back(MakeMessage("<n1@x>", "new"));
    mailbox->messages.push_back(MakeMessage("<n2@x>", "new"));
    mailbox->uidls.push_back("fresh1");
    mailbox->uidls.push_back("fresh2");
    Checked c = Check(mailbox, in);
    EXPECT_EQ(c.out.messageCount, 10);
    EXPECT_EQ(c.out.newCount, 2);
    // The newest seen message was deleted: the next one down is fetched for
    // the seen-id list.
    EXPECT_EQ(c.fetched, (std::vector<std::string>{"TOP 10 10", "TOP 9 10", "TOP 8 10"}));
    EXPECT_EQ(*c.out.newSeenIds, "<n2@x>,<n1@x>,<m9@x>,");

    // An id given twice counts as often as it occurs: the newest is new.
    mailbox->uidls = {"a", "b", "a", "c", "a", "b", "d", "e", "f", "g"};
    in.seenUidls = std::vector<std::string>{"a", "b", "a", "c", "d", "e", "f", "g"};
    in.seenIds = "<m10@x>,<m9@x>,";
    c = Check(mailbox, in);
    EXPECT_EQ(c.out.newCount, 2);
    EXPECT_EQ(c.fetched, (std::vector<std::string>{"TOP 6 10", "TOP 5 10"}));
    EXPECT_EQ(*c.out.newSeenIds, "<m7@x>,<m6@x>,<m10@x>,");
}

TEST(PopUidlSession, BadUidlRepliesEndWithAStatus) {
    const std::string cases[] = {
        "+OK\r\n1 a\r\n2 b\r\n",                                   // cut off: the server closed
        "+OK\r\n1 a\r\n2 b\r\n3 c\r\n.\r\n",                       // more messages than STAT
        "+OK\r\n1 a\r\n.\r\n",                                     // fewer
        "+OK\r\n1 a\r\n1 b\r\n.\r\n",                              // a number twice
        "+OK\r\n0 a\r\n2 b\r\n.\r\n",                              // out of range
        "+OK\r\n1 a\r\n2 b\x01\r\n.\r\n",                          // a control byte
        "+OK\r\n1 a\r\n2\r\n.\r\n",                                // no id
        "+OK\r\n1 a\r\n2 " + std::string(300, 'x') + "\r\n.\r\n",  // too long
        "garbage\r\n.\r\n",
    };
    for (const std::string& reply : cases) {
        SCOPED_TRACE(reply.substr(0, 40));
        auto mailbox = Mailbox(2, Capabilities(true));
        mailbox->uidlReply = reply;
        PopSessionInput in;
        in.seenUidls = std::vector<std::string>{"a"};
        const Checked c = Check(mailbox, in);
        EXPECT_EQ(c.out.result, kStatusUidl);
        EXPECT_EQ(c.out.newCount, 0);
        EXPECT_TRUE(c.fetched.empty());
    }
}

TEST(PopUidlSession, WhoDecidesWithoutUidlsToGoBy) {
    struct Case {
        const char* name;
        std::vector<std::string> capabilities;  // empty: CAPA refused
        bool uidlRefused;
        bool knownLacking;
        bool uidlSent;
        bool lacksAfter;
    };
    const Case cases[] = {
        {"announced", Capabilities(false), false, false, true, false},
        {"CAPA refused, UIDL works", {}, false, false, true, false},
        {"CAPA refused, UIDL refused", {}, true, false, true, true},
        {"CAPA refused, known to lack it", {}, false, true, false, true},
        {"CAPA without UIDL", {"TOP", "USER"}, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto mailbox = Mailbox(5, c.capabilities);
        mailbox->uidlRefused = c.uidlRefused;
        PopSessionInput in;
        in.seenIds = "<m3@x>,";
        in.serverLacksUidl = c.knownLacking;
        const Checked checked = Check(mailbox, in);
        EXPECT_EQ(checked.out.result, kStatusOk);
        // The Message-IDs decide (nothing remembered by UIDL): two new.
        EXPECT_EQ(checked.out.newCount, 2);
        EXPECT_EQ(checked.out.serverLacksUidl, c.lacksAfter);
        const bool sent =
            std::count(mailbox->commands.begin(), mailbox->commands.end(), "UIDL") > 0;
        EXPECT_EQ(sent, c.uidlSent);
        EXPECT_EQ(checked.out.uidls.has_value(), c.uidlSent && !c.uidlRefused);
        EXPECT_EQ(mailbox->mostCommandsInOneSend, 1u);
    }
}

TEST(PopUidlSession, WalkByMessageIdIsExactUpToItsBound) {
    struct Case {
        int fresh;
        int newCount;
        bool atLeast;
    };
    const Case cases[] = {{0, 0, false},   {1, 1, false},     {50, 50, false},
                          {51, 51, false}, {120, 120, false}, {2500, 2000, true}};
    for (bool pipelining : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.fresh) + (pipelining ? " pipelined" : ""));
            auto mailbox = Mailbox(20 + c.fresh, Capabilities(pipelining));
            PopSessionInput in;
            in.seenIds = "<m20@x>,<m19@x>,";
            const Checked checked = Check(mailbox, in);
            EXPECT_EQ(checked.out.result, kStatusOk);
            EXPECT_EQ(checked.out.newCount, c.newCount);
            EXPECT_EQ(checked.out.newAtLeast, c.atLeast);
            EXPECT_EQ(checked.out.summaries->size(), std::min<std::size_t>(c.fresh, 50));
            // Pipelined batches may fetch a few below the seen message; never
            // more than one batch of the bound.
            EXPECT_LE(checked.fetched.size(), std::min(c.fresh, 2000) + (pipelining ? 64u : 1u));
            if (!pipelining) {
                EXPECT_EQ(mailbox->mostCommandsInOneSend, 1u);
            }
            // The store can be built from this check.
            EXPECT_TRUE(checked.out.uidls.has_value());
        }
    }
}

TEST(PopUidlSession, LoginAndCommandDetails) {
    // APOP with a greeting without timestamp: no login command of any kind.
    auto mailbox = Mailbox(1, Capabilities(true));
    mailbox->greeting = "+OK ready\r\n";
    PopSessionInput in;
    in.apop = true;
    EXPECT_EQ(Check(mailbox, in).out.result, kStatusNoApop);
    EXPECT_EQ(mailbox->commands, std::vector<std::string>{"QUIT"});

    PopSessionInput retr;
    retr.readAll = true;
    retr.seenIds = "<old@x>,";
    EXPECT_EQ(Check(mailbox, retr).fetched.front(), "RETR 1");  // no blank before CR LF

    mailbox->capabilities = {"UIDL", "TOP", "LOGIN-DELAY 300"};
    EXPECT_EQ(Check(mailbox).out.capabilities.loginDelaySeconds, 300);
    mailbox->capabilities = {"UIDL", "LOGIN-DELAY 99999999"};
    const Checked c = Check(mailbox, retr);
    EXPECT_EQ(c.out.capabilities.loginDelaySeconds, kMaxLoginDelaySeconds);
    // Without TOP among the capabilities the whole message is fetched.
    EXPECT_EQ(c.fetched.front(), "RETR 1");
}

}  // namespace
}  // namespace pell
