// The mailbox scan against an in-memory server: messages without a
// Message-ID, a seen list whose messages are gone, and a connection that
// fails under the scan.
#include <gtest/gtest.h>

#include <algorithm>

#include "mail/pop_session.h"
#include "mail/status_codes.h"
#include "support/scripted_network.h"

namespace pell {
namespace {

using test::MakeMessage;
using test::ScriptedMailbox;
using test::ScriptedNetwork;

std::string WithoutId(const std::string& subject) {
    return "Subject: " + subject +
           "\r\nFrom: a@example.org\r\nDate: Tue, 3 Feb 2004 21:05:09 +0900\r\n\r\nbody\r\n";
}

PopSessionOutput Check(const std::shared_ptr<ScriptedMailbox>& mailbox, const std::string& seen) {
    ScriptedNetwork network(mailbox);
    PopSessionInput in;
    in.user = "u";
    in.password = mailbox->password;
    in.server = "mail.test";
    in.seenIds = seen;
    PopSessionOutput out;
    RunPopSession(network, in, out, {});
    return out;
}

std::size_t Fetches(const ScriptedMailbox& mailbox) {
    return static_cast<std::size_t>(
        std::count_if(mailbox.commands.begin(), mailbox.commands.end(),
                      [](const std::string& c) { return c.rfind("TOP", 0) == 0; }));
}

TEST(PopScan, MessagesWithoutMessageIdAreAnnouncedOnceAndRemembered) {
    auto mailbox = std::make_shared<ScriptedMailbox>();
    mailbox->messages = {MakeMessage("<m1@x>", "one"), WithoutId("two"), WithoutId("three")};
    PopSessionOutput first = Check(mailbox, "<m1@x>,");
    EXPECT_EQ(first.result, kStatusOk);
    EXPECT_EQ(first.newCount, 2);
    ASSERT_TRUE(first.summaries);
    EXPECT_EQ(first.summaries->size(), 2u);
    const std::string list = first.newSeenIds.value_or("");
    // Two ids of their own, then the seen message that ended the scan.
    ASSERT_EQ(list.size(), 2 * 18 + 7u) << list;
    EXPECT_TRUE(IsSyntheticMessageId(list.substr(0, 17))) << list;
    EXPECT_NE(list.substr(0, 17), list.substr(18, 17));
    EXPECT_EQ(list.substr(36), "<m1@x>,");

    // The next check finds nothing new; a message arriving later is new.
    EXPECT_EQ(Check(mailbox, list).newCount, 0);
    mailbox->messages.push_back(WithoutId("four"));
    PopSessionOutput later = Check(mailbox, list);
    EXPECT_EQ(later.newCount, 1);
    EXPECT_EQ(later.newSeenIds->substr(18), list.substr(0, 18));
}

TEST(PopScan, ScanOfAMailboxWhoseSeenMessagesAreGoneIsBounded) {
    struct Case {
        int messages;
        std::size_t fetches;
        int newCount;
        std::size_t summaries;
    };
    // Exact up to 2000 messages looked at; beyond them a lower bound.
    const Case cases[] = {
        {49, 49, 49, 49}, {50, 50, 50, 50}, {2000, 2000, 2000, 50}, {2100, 2000, 2000, 50}};
    for (const Case& c : cases) {
        auto mailbox = std::make_shared<ScriptedMailbox>();
        for (int i = 1; i <= c.messages; ++i)
            mailbox->messages.push_back(MakeMessage("<m" + std::to_string(i) + "@x>", "s"));
        PopSessionOutput out = Check(mailbox, "<deleted@x>,");
        EXPECT_EQ(out.result, kStatusOk) << c.messages;
        EXPECT_EQ(Fetches(*mailbox), c.fetches) << c.messages;
        EXPECT_EQ(out.newCount, c.newCount) << c.messages;
        EXPECT_EQ(out.newAtLeast, c.messages > 2000) << c.messages;
        EXPECT_EQ(out.summaries->size(), c.summaries) << c.messages;
        // Every fetched message is remembered: the next check stops at once.
        const std::string newest = "<m" + std::to_string(c.messages) + "@x>,";
        EXPECT_EQ(out.newSeenIds->rfind(newest, 0), 0u) << c.messages;
        EXPECT_EQ(Check(mailbox, *out.newSeenIds).newCount, 0) << c.messages;
    }
}

TEST(PopScan, AFailedSendEndsTheScan) {
    struct Case {
        const char* name;
        int failFrom;  // USER 0, PASS 1, CAPA 2, STAT 3, UIDL 4, TOP 5
        int result;
        std::vector<std::string> tail;  // the commands from STAT on
    };
    const Case cases[] = {
        {"STAT", 3, kStatusList, {"CAPA", "STAT", "QUIT"}},
        {"UIDL", 4, kStatusUidl, {"CAPA", "STAT", "UIDL", "QUIT"}},
        {"TOP", 5, kStatusTop, {"CAPA", "STAT", "UIDL", "TOP 60 10", "QUIT"}},
    };
    for (const Case& c : cases) {
        auto mailbox = std::make_shared<ScriptedMailbox>();
        for (int i = 1; i <= 60; ++i)
            mailbox->messages.push_back(MakeMessage("<m" + std::to_string(i) + "@x>", "s"));
        mailbox->failSendsFrom = c.failFrom;
        PopSessionOutput out = Check(mailbox, "<m1@x>,");
        EXPECT_EQ(out.result, c.result) << c.name;
        const std::vector<std::string> tail(mailbox->commands.begin() + 2, mailbox->commands.end());
        EXPECT_EQ(tail, c.tail) << c.name;
    }
}

}  // namespace
}  // namespace pell
