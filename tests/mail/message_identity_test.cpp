// The id a message without a Message-ID is remembered by, and how ids are
// found in the seen-id list.
#include "mail/message_identity.h"

#include <gtest/gtest.h>

#include <set>

namespace pell {
namespace {

const std::string kHead =
    "Date: Tue, 3 Feb 2004 21:05:09 +0900\r\nFrom: a@example.org\r\nSubject: hi\r\n";

TEST(MessageIdentity, SyntheticIdDependsOnDateFromSubjectOrTheUidlOnly) {
    const std::string id = SyntheticMessageId("+OK\r\n" + kHead + "\r\nbody\r\n.\r\n");
    EXPECT_TRUE(IsSyntheticMessageId(id)) << id;
    EXPECT_EQ(id.size(), 17u);
    // The status line, the body, the line breaks of a folded field and the
    // lines an mbox server adds to the head (which change the size) leave it.
    const std::string same[] = {
        "+OK\r\n" + kHead + "Status: RO\r\nX-UID: 7\r\n\r\nbody\r\n.\r\n",
        "+OK 1200 octets\r\n" + kHead + "\r\nother body, more lines\r\n\r\n.\r\n",
        "+OK\r\nDate: Tue, 3 Feb 2004\r\n 21:05:09 +0900\r\nFrom: a@example.org\r\nSubject: "
        "hi\r\n\r\n.\r\n",
        "+OK\r\nX-Extra: 1\r\n" + kHead + "\r\n",
    };
    for (const std::string& reply : same)
        EXPECT_EQ(SyntheticMessageId(reply), id) << reply;
    // With a UIDL, the UIDL alone decides; each part makes another id; so does
    // moving bytes between fields.
    const std::string byUidl = SyntheticMessageId("+OK\r\n" + kHead + "\r\n", "00000001");
    EXPECT_EQ(SyntheticMessageId("+OK\r\nSubject: rewritten\r\n\r\n", "00000001"), byUidl);
    std::set<std::string> ids{id, byUidl, SyntheticMessageId("", "00000002")};
    const std::string different[] = {
        "Date: Wed, 4 Feb 2004 21:05:09 +0900\r\nFrom: a@example.org\r\nSubject: hi\r\n",
        "Date: Tue, 3 Feb 2004 21:05:09 +0900\r\nFrom: b@example.org\r\nSubject: hi\r\n",
        "Date: Tue, 3 Feb 2004 21:05:09 +0900\r\nFrom: a@example.org\r\nSubject: ho\r\n",
        "Date: Tue, 3 Feb 2004 21:05:09 +0900\r\nFrom: a@example.orgh\r\nSubject: i\r\n",
    };
    for (const std::string& head : different)
        ids.insert(SyntheticMessageId("+OK\r\n" + head + "\r\n"));
    EXPECT_EQ(ids.size(), 7u);
    // Nothing at all still gives an id.
    EXPECT_TRUE(IsSyntheticMessageId(SyntheticMessageId("")));
}

TEST(MessageIdentity, SeenListMatching) {
    const std::string synthetic = SyntheticMessageId("+OK\r\n" + kHead);
    struct Case {
        std::string seen;
        std::string id;
        bool expected;
    };
    const Case cases[] = {
        {"<a@x>,<b@x>,", "<b@x>", true},
        {"<a@x>,", "<c@x>", false},
        {"<a@x>,", "", true},
        {"", "", false},
        {synthetic + ",", synthetic, true},
        {"<a@x>," + synthetic + ",<b@x>,", synthetic, true},
        // Only a whole entry matches a synthetic id.
        {"<x" + synthetic + ">,", synthetic, false},
        {synthetic + "0,", synthetic, false},
        {"0" + synthetic + ",", synthetic, false},
        {synthetic, synthetic, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSeenMessage(c.seen, c.id), c.expected) << c.seen << " / " << c.id;
    EXPECT_FALSE(IsSyntheticMessageId("<~0123456789ABCDEF>"));
    EXPECT_FALSE(IsSyntheticMessageId("~0123456789abcdef"));
}

}  // namespace
}  // namespace pell
