// Whole replies turned into Message-ID and summary texts.
#include <gtest/gtest.h>

#include <string>

#include "mail/mail_summary.h"
#include "mail/summary_body.h"

namespace pell {
namespace {

using namespace std::string_literals;

std::string Reply(const std::string& head, const std::string& body) {
    return "+OK 1234 octets\r\n" + head + "\r\n" + body + ".\r\n";
}

const std::string kHead =
    "Return-Path: <taro@example.jp>\r\n"
    "Received: from mx.example.jp by pop.example.jp; Tue, 3 Feb 2004 21:05:10 +0900\r\n"
    "Date: Tue, 3 Feb 2004 21:05:09 +0900\r\n"
    "From: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= <taro@example.jp>\r\n"
    "To: hanako@example.jp\r\n"
    "Subject: Re: =?ISO-2022-JP?B?GyRCJCIbKEI=?= test\r\n"
    "Message-ID: <20040203.1@example.jp>\r\n"
    "X-UIDL: 7c5a1f\r\n"
    "Content-Type: text/plain; charset=ISO-2022-JP\r\n";

TEST(ExtractMessage, TypicalTopReply) {
    const std::string body = "\x1b$B$\"\x1b(B line 1\r\nline 2\r\n";
    const ExtractedMessage m = ExtractMessage(Reply(kHead, body), false, 10);
    EXPECT_EQ(m.messageId, "<20040203.1@example.jp>");
    EXPECT_EQ(m.summary.date, "2004/02/03 21:05:09");
    EXPECT_EQ(m.summary.sender, "\x83\x65\x83\x58\x83\x67 <taro@example.jp>");
    EXPECT_EQ(m.summary.subject, "Re: \x82\xa0 test");
    EXPECT_EQ(m.summary.uidl, "7c5a1f");
    EXPECT_EQ(m.summary.viewer,
              "Subject: Re: \x82\xa0 test\r\n"
              "From: \x83\x65\x83\x58\x83\x67 <taro@example.jp>\r\n"
              "Date: 2004/02/03 21:05:09\r\n\r\n"
              "\x82\xa0 line 1\r\nline 2");
    EXPECT_EQ(ExtractMessageId(Reply(kHead, body)), m.messageId);
}

TEST(ExtractMessage, HeaderFieldRules) {
    struct Case {
        const char* name;
        std::string head;
        std::string sender, subject, date, id;
    };
    const Case cases[] = {
        {"to when no from", "To: hanako@example.jp\r\n", "hanako@example.jp", "", "", ""},
        {"reply-to is not to", "Reply-To: list@example.jp\r\nTo: hanako@example.jp\r\n",
         "hanako@example.jp", "", "", ""},
        {"folded subject with blank", "Subject: one\r\n two\r\n", "", "one two", "", ""},
        {"folded subject with tab", "Subject: one\r\n\ttwo\r\n", "", "one two", "", ""},
        {"folded encoded subject",
         "Subject: =?ISO-2022-JP?B?GyRCJCIbKEI=?=\r\n =?ISO-2022-JP?B?GyRCJCIbKEI=?=\r\n", "",
         "\x82\xa0\x82\xa0", "", ""},
        {"resent fields are not the message's",
         "Resent-From: bounce@example.jp\r\nResent-Date: Mon, 2 Feb 2004 10:00:00 +0900\r\n"
         "Resent-Message-ID: <r@b>\r\nFrom: a@b\r\n",
         "a@b", "", "", ""},
        {"delivery-date is not date", "Delivery-Date: Mon, 2 Feb 2004 10:00:00 +0900\r\n", "", "",
         "", ""},
        {"message-id any case", "Message-Id: <a@b>\r\n", "", "", "", "<a@b>"},
        {"folded message-id", "Message-ID:\r\n <a@b>\r\n", "", "", "", "<a@b>"},
        {"empty subject", "Subject:\r\nFrom: a@b\r\n", "a@b", "", "", ""},
        {"raw jis subject", "Subject: \x1b$B$\"\x1b(B!\r\n", "", "\x82\xa0!", "", ""},
        {"stray escape dropped",
         "Subject: a\x1b"
         "b\r\nFrom: c\x1b\r\n",
         "c", "ab", "", ""},
        {"unknown month shows raw date", "Date: Tue, 3 Foo 2004 21:05:09\r\n", "", "",
         "Tue, 3 Foo 2004 21:05:09", ""},
        {"signature field lists names before the fields",
         "ARC-Message-Signature: i=1; h=to:subject:message-id:date:from;\r\n"
         "\tbh=abc=; b=def\r\n"
         "DKIM-Signature: v=1; d=example.com;\r\n"
         "\th=mime-version:from:date:message-id:subject:to; b=ghi\r\n"
         "From: a@b\r\nDate: Tue, 3 Feb 2004 21:05:09 +0900\r\n"
         "Message-ID: <m@b>\r\nSubject: s\r\n",
         "a@b", "s", "2004/02/03 21:05:09", "<m@b>"},
    };
    for (const auto& c : cases) {
        const ExtractedMessage m = ExtractMessage(Reply(c.head, "x\r\n"), true, 10);
        EXPECT_EQ(m.summary.sender, c.sender) << c.name;
        EXPECT_EQ(m.summary.subject, c.subject) << c.name;
        EXPECT_EQ(m.summary.date, c.date) << c.name;
        EXPECT_EQ(m.messageId, c.id) << c.name;
    }
}

std::string Lines(int count) {
    std::string body;
    for (int i = 1; i <= count; ++i)
        body += "line " + std::to_string(i) + "\r\n";
    return body;
}

TEST(ExtractMessage, LinesNote) {
    struct Case {
        int bodyLines;
        bool whole;
        bool note;
    };
    const Case cases[] = {
        {10, false, true}, {9, false, false}, {10, true, false}, {12, false, true}};
    for (const auto& c : cases) {
        const std::string viewer =
            ExtractMessage(Reply("Subject: s\r\n", Lines(c.bodyLines)), c.whole, 10).summary.viewer;
        const std::string note = "line " + std::to_string(c.bodyLines) + "\r\n(max 10 lines)...";
        EXPECT_EQ(viewer.size() >= note.size() &&
                      viewer.compare(viewer.size() - note.size(), note.size(), note) == 0,
                  c.note)
            << c.bodyLines << " lines, whole " << c.whole << ": " << viewer;
    }
}

TEST(ExtractMessage, BodyShapes) {
    struct Case {
        const char* name;
        std::string reply;
        std::string body;
    };
    const Case cases[] = {
        {"empty body", "+OK\r\nSubject: s\r\n\r\n.\r\n", ""},
        {"no blank line means no body", "+OK\r\nSubject: s\r\n.\r\n", ""},
        {"dot-stuffed line loses its added dot", Reply("", "..hidden\r\nend\r\n"),
         ".hidden\r\nend"},
        {"a stuffed dot line is text", Reply("", "a\r\n..\r\nb\r\n"), "a\r\n.\r\nb"},
        {"jis body converted", Reply("", "\x1b$B$\"\x1b(B\r\n"), "\x82\xa0"},
        {"jis code without a character", Reply("", "\x1b$Bu!$\"\x1b(BA\r\n"),
         "〓\x82\xa0"
         "A"},
        {"unknown escape in body dropped", Reply("", "a\x1b$(Db\r\n"), "a$(Db"},
        {"zero byte ends the reply", "+OK\r\nSubject: s\r\n\r\nab\0cd\r\n.\r\n"s, "ab"},
    };
    for (const auto& c : cases) {
        const std::string viewer = ExtractMessage(c.reply, true, 10).summary.viewer;
        const std::size_t start = viewer.find("\r\n\r\n") + 4;
        EXPECT_EQ(viewer.substr(start), c.body) << c.name;
    }
}

const std::string kMultipartHead =
    "Subject: files\r\n"
    "Content-Type: multipart/mixed;\r\n boundary=\"==b1==\"\r\n";

TEST(ExtractMessage, MultipartTextAndAttachments) {
    const std::string body =
        "This is a multi-part message.\r\n"
        "\r\n--==b1==\r\n"
        "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
        "\r\n"
        "\x1b$B$\"\x1b(B hello\r\n"
        "\r\n--==b1==\r\n"
        "Content-Type: text/plain; name=\"a.txt\"\r\n"
        "Content-Disposition: attachment\r\n"
        "\r\n"
        "aaaa\r\n"
        "\r\n--==b1==\r\n"
        "Content-Type: image/jpeg;\r\n name=\"=?ISO-2022-JP?B?GyRCJCIbKEI=?=.jpg\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "\r\n"
        "/9j/4AAQ\r\n"
        "\r\n--==b1==--\r\n";
    const ExtractedMessage m = ExtractMessage(Reply(kMultipartHead, body), true, 10);
    EXPECT_EQ(m.summary.viewer.substr(m.summary.viewer.find("\r\n\r\n") + 4),
              "\x82\xa0 hello\r\n\r\n Attach:a.txt\r\n Attach:\x82\xa0.jpg");
}

TEST(ExtractMessage, MultipartWithOnlyAnAttachment) {
    const std::string body =
        "--XyZ\r\nContent-Type: application/pdf; name=b.pdf\r\n\r\nJVBERi0x\r\n--XyZ--\r\n";
    const ExtractedMessage m =
        ExtractMessage(Reply("Content-Type: multipart/mixed; boundary=XyZ\r\n", body), true, 10);
    EXPECT_EQ(m.summary.viewer.substr(m.summary.viewer.find("\r\n\r\n") + 4), "\r\n Attach:b.pdf");
}

// The text part found by each way of writing the boundary, and the lines note
// on multipart mail that the server cut inside or before its text part.
TEST(ExtractMessage, BoundariesAndCutMultiparts) {
    struct Case {
        const char* name;
        std::string type;
        std::string body;
        int getLines;
        std::string text;
    };
    const std::string part = "\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\nhi\r\n";
    const Case cases[] = {
        {"trailing blank", "multipart/mixed; boundary=mb42 ", "--mb42" + part + "--mb42--\r\n", 0,
         "hi"},
        {"rfc 2231 sections", "multipart/mixed;\r\n boundary*0*=us-ascii''%3D_a; boundary*1*=24f3",
         "--=_a24f3" + part + "--=_a24f3--\r\n", 0, "hi"},
        {"rfc 2231 single", "multipart/mixed; boundary*=\"us-ascii''%3D_b\"",
         "--=_b" + part + "--=_b--\r\n", 0, "hi"},
        {"value folded onto the next line", "multipart/mixed; boundary=\r\n \"fold\"",
         "--fold" + part + "--fold--\r\n", 0, "hi"},
        {"type folded behind the colon", "\r\n multipart/mixed; boundary=x",
         "--x" + part + "--x--\r\n", 0, "hi"},
        {"text part cut", "multipart/mixed; boundary=b", "--b" + part + "l2\r\n", 5,
         "hi\r\nl2\r\n(max 5 lines)..."},
        {"cut before the text part", "multipart/mixed; boundary=b",
         "pre\r\n--b\r\nContent-Type: image/png; name=a.png\r\n\r\niVBO\r\n", 5,
         "\r\n Attach:a.png\r\n(max 5 lines)..."},
        {"whole text part", "multipart/mixed; boundary=b", "--b" + part + "--b--\r\n", 5, "hi"},
    };
    for (const auto& c : cases) {
        const std::string reply = Reply("Content-Type: " + c.type + "\r\n", c.body);
        const std::string viewer =
            ExtractMessage(reply, c.getLines == 0, c.getLines).summary.viewer;
        EXPECT_EQ(viewer.substr(viewer.find("\r\n\r\n") + 4), c.text) << c.name;
    }
}

TEST(ListAttachments, CappedAndLinearOnHostileInput) {
    std::string body;
    for (int i = 0; i < 2000; ++i)
        body += "Content-Type: x; name=file" + std::to_string(i) + "\r\n--b\r\n";
    const std::string list = ListAttachments(body, "b");
    EXPECT_EQ(list.size(), kMaxAttachmentList);
    // The text before the first delimiter is the preamble, not a part.
    EXPECT_EQ(list.compare(0, 19, "\r\n Attach:file1\r\n A"), 0);
    // Two-byte names are cut between characters, whichever byte the cap meets.
    for (const char* lead : {"", "x"}) {
        std::string kanji = lead;
        for (int i = 0; i < 600; ++i)
            kanji += "\x82\xa0";
        const std::string cut =
            ListAttachments("--b\r\nContent-Type: x; name=\"" + kanji + "\"\r\n\r\n--b--\r\n", "b");
        EXPECT_GE(cut.size(), kMaxAttachmentList - 1);
        EXPECT_LE(cut.size(), kMaxAttachmentList);
        EXPECT_EQ(cut.back(), '\xa0') << "lead \"" << lead << "\"";
    }
    // A boundary as long as the body, searched over and over, must not take
    // quadratic time (this would run for minutes).
    const std::string longBoundary(200000, '-');
    std::string heads;
    for (int i = 0; i < 2000; ++i)
        heads += "Content-Type: y\r\n\r\n" + std::string(100, '-');
    EXPECT_EQ(ListAttachments(heads, longBoundary), "");
}

TEST(ExtractMessage, DecodedBodiesCountTheLinesAsFetched) {
    // Ten Base64 lines of the reply hold fewer decoded lines; the note says the
    // server cut the message after ten.
    std::string body;
    std::string text;
    for (int i = 0; i < 10; ++i) {
        body += "5pel5pys6Kqe\r\n";
        text += "日本語";
    }
    const std::string head =
        "Subject: s\r\nContent-Type: text/plain; charset=utf-8\r\n"
        "Content-Transfer-Encoding: base64\r\n";
    const std::string viewer = ExtractMessage(Reply(head, body), false, 10).summary.viewer;
    EXPECT_EQ(viewer.substr(viewer.find("\r\n\r\n") + 4), text + "\r\n(max 10 lines)...");
    EXPECT_EQ(ExtractMessage(Reply(head, body), false, 11).summary.viewer.find("(max"),
              std::string::npos);
}

TEST(ExtractMessage, BodyForms) {
    struct Case {
        const char* name;
        std::string head;
        std::string body;
        std::string text;
    };
    const std::string utf8 = "Content-Type: text/plain; charset=UTF-8\r\n";
    const Case cases[] = {
        {"bad base64", utf8 + "Content-Transfer-Encoding: base64\r\n", "5pel*!5pys\r\n", "日本"},
        {"quoted-printable ending in =", utf8 + "Content-Transfer-Encoding: quoted-printable\r\n",
         "=E6=97=A5=\r\n=E6=9C=AC=\r\n", "日本"},
        {"lf line ends", utf8 + "Content-Transfer-Encoding: base64\r\n", "YQpiCg==\r\n", "a\r\nb"},
        {"html only", "Content-Type: text/html; charset=utf-8\r\n",
         "<p>\xe6\x97\xa5</p><div unterminated\r\n", "日"},
        {"huge reference", "Content-Type: text/html\r\n", "&#99999999;x\r\n", "〓x"},
        {"encoded file as the message",
         "Content-Type: application/pdf; name=a.pdf\r\nContent-Transfer-Encoding: base64\r\n",
         "JVBERi0x\r\n", "\r\n Attach:a.pdf"},
        {"unlabelled utf-8", "", "\xe6\x97\xa5\r\n", "日"},
        {"nested text part", "Content-Type: multipart/mixed; boundary=o\r\n",
         "--o\r\nContent-Type: multipart/alternative; boundary=i\r\n\r\n--i\r\n"
         "Content-Type: text/plain; charset=iso-2022-jp\r\n\r\n\x1b$BF|\x1b(B\r\n--i--\r\n"
         "--o\r\nContent-Type: text/plain; name*=utf-8''%E6%9C%AC\r\n\r\nx\r\n--o--\r\n",
         "日\r\n Attach:本"},
        {"text part head without its blank line", "Content-Type: multipart/mixed; boundary=b\r\n",
         "--b\r\nContent-Type: text/plain\r\n--b--\r\n", ""},
    };
    for (const auto& c : cases) {
        const std::string viewer = ExtractMessage(Reply(c.head, c.body), true, 10).summary.viewer;
        EXPECT_EQ(viewer.substr(viewer.find("\r\n\r\n") + 4), c.text) << c.name;
    }
    // Ten thousand nested multiparts and a boundary of 200 KB.
    std::string deep;
    for (int i = 0; i < 10000; ++i)
        deep += "--b\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n";
    const std::string viewer =
        ExtractMessage(Reply("Content-Type: multipart/mixed; boundary=b\r\n", deep), true, 10)
            .summary.viewer;
    EXPECT_EQ(viewer.substr(viewer.find("\r\n\r\n") + 4), "");
}

TEST(ExtractMessage, HostileRepliesStayBounded) {
    // Several megabytes of head, thousands of encoded-words in one subject.
    std::string head = "Subject: ";
    for (int i = 0; i < 20000; ++i)
        head += "=?ISO-2022-JP?B?GyRCJCIbKEI=?= ";
    head += "\r\n";
    head += std::string(4 << 20, 'x') + "\r\n";
    const ExtractedMessage m = ExtractMessage(Reply(head, "b\r\n"), false, 1);
    EXPECT_EQ(m.summary.subject.size(), 40001u);
    EXPECT_EQ(m.summary.viewer.substr(m.summary.viewer.size() - 16), "(max 1 lines)...");
}

}  // namespace
}  // namespace pell
