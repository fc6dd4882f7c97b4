#include "mail/imap_text.h"

#include <gtest/gtest.h>

#include "mail/imap_message.h"

namespace pell {
namespace {

TEST(ImapTextTest, FolderNamesInModifiedUtf7) {
    struct Case {
        std::string sjis;
        std::string imap;
    };
    const Case cases[] = {
        {"INBOX", "INBOX"},
        {"~peter/mail/台北/日本語", "~peter/mail/&U,BTFw-/&ZeVnLIqe-"},
        {"Tom & Jerry", "Tom &- Jerry"},
        {"仕事", "&TtVOiw-"},
        {"ﾒｰﾙ", "&,5L,cP+Z-"},  // half-width katakana
        {"受信/a", "&U9dP4Q-/a"},
        {"\x82", "&,,0-"},  // a lead byte without its trail
        {"\x01", "&AAE-"},  // controls are not printable
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FolderNameToImap(c.sjis), c.imap) << c.imap;
}

TEST(ImapTextTest, MessagesTakeThePop3ReplyShape) {
    struct Case {
        const char* name;
        std::string header;
        std::string body;
        int lines;
        std::string reply;
    };
    const Case cases[] = {
        {"dot-stuffed lines", "Subject: a\r\n\r\n", ".hidden\r\n..two\r\nplain\r\n", -1,
         "+OK\r\nSubject: a\r\n\r\n..hidden\r\n...two\r\nplain\r\n.\r\n"},
        {"cut to the lines wanted", "S: a\r\n\r\n", "1\r\n2\r\n3\r\n", 2,
         "+OK\r\nS: a\r\n\r\n1\r\n2\r\n.\r\n"},
        {"a cut last line counts", "S: a\r\n\r\n", "1\r\n2", 5,
         "+OK\r\nS: a\r\n\r\n1\r\n2\r\n.\r\n"},
        {"bare line feeds", "S: a\n\n", "x\ny\n", -1, "+OK\r\nS: a\r\n\r\nx\r\ny\r\n.\r\n"},
        {"no body", "S: a\r\n\r\n", "", 10, "+OK\r\nS: a\r\n\r\n.\r\n"},
        {"a header cut short", "S: a\r\nX: b", "", 10, "+OK\r\nS: a\r\nX: b\r\n\r\n.\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PopReplyFromImap(c.header, c.body, c.lines), c.reply) << c.name;
    EXPECT_EQ(PopReplyFromWholeMessage("S: a\r\n\r\n.x\r\n"), "+OK\r\nS: a\r\n\r\n..x\r\n.\r\n");
    EXPECT_EQ(PopReplyFromWholeMessage("S: a\r\n"), "+OK\r\nS: a\r\n\r\n.\r\n");
}

}  // namespace
}  // namespace pell
