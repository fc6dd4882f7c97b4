// The id a message without a Message-ID is remembered by, and how ids are
// found in the seen-id list.
#include "mail/message_identity.h"

#include <gtest/gtest.h>

#include <set>

namespace pell {
namespace {

const std::string kHead =
    "Date: Tue, 3 Feb 2004 21:05:09 +0900\r\nFrom: a@example.org\r\nSubject: hi\r\n";

TEST(MessageIdentity, SyntheticIdDependsOnDateFromSubjectAndSizeOnly) {
    const std::string id = SyntheticMessageId("+OK\r\n" + kHead + "\r\nbody\r\n.\r\n", 100);
    EXPECT_TRUE(IsSyntheticMessageId(id)) << id;
    EXPECT_EQ(id.size(), 17u);
    // The status line, the body and the line breaks of a folded field leave it.
    const std::string same[] = {
        "+OK 1200 octets\r\n" + kHead + "\r\nother body, more lines\r\n\r\n.\r\n",
        "+OK\r\nDate: Tue, 3 Feb 2004\r\n 21:05:09 +0900\r\nFrom: a@example.org\r\nSubject: "
        "hi\r\n\r\n.\r\n",
        "+OK\r\nX-Extra: 1\r\n" + kHead + "\r\n",
    };
    for (const std::string& reply : same)
        EXPECT_EQ(SyntheticMessageId(reply, 100), id) << reply;
    // Each part and the size make another id; so does moving bytes between
    // fields.
    std::set<std::string> ids{id, SyntheticMessageId("+OK\r\n" + kHead + "\r\n", 101)};
    const std::string different[] = {
        "Date: Wed, 4 Feb 2004 21:05:09 +0900\r\nFrom: a@example.org\r\nSubject: hi\r\n",
        "Date: Tue, 3 Feb 2004 21:05:09 +0900\r\nFrom: b@example.org\r\nSubject: hi\r\n",
        "Date: Tue, 3 Feb 2004 21:05:09 +0900\r\nFrom: a@example.org\r\nSubject: ho\r\n",
        "Date: Tue, 3 Feb 2004 21:05:09 +0900\r\nFrom: a@example.orgh\r\nSubject: i\r\n",
    };
    for (const std::string& head : different)
        ids.insert(SyntheticMessageId("+OK\r\n" + head + "\r\n", 100));
    EXPECT_EQ(ids.size(), 6u);
    // Nothing at all still gives an id.
    EXPECT_TRUE(IsSyntheticMessageId(SyntheticMessageId("", 0)));
}

TEST(MessageIdentity, SeenListMatching) {
    const std::string synthetic = SyntheticMessageId("+OK\r\n" + kHead, 1);
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
