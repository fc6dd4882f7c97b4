#include "mail/imap_response.h"

#include <gtest/gtest.h>

namespace pell {
namespace {

std::vector<ImapResponse> Assemble(std::string_view bytes, std::size_t step,
                                   std::size_t limit = kMaxImapResponse, bool* ok = nullptr) {
    ImapResponseAssembler assembler(limit);
    bool fed = true;
    for (std::size_t pos = 0; pos < bytes.size(); pos += step)
        fed = assembler.Feed(bytes.substr(pos, step)) && fed;
    if (ok)
        *ok = fed;
    std::vector<ImapResponse> responses;
    ImapResponse response;
    while (assembler.Next(response))
        responses.push_back(response);
    return responses;
}

TEST(ImapResponseTest, LiteralsOfEverySizeSplitAtEveryByte) {
    for (std::size_t size : {0u, 1u, 2u, 3u, 17u, 200u}) {
        std::string literal;
        for (std::size_t i = 0; i < size; ++i)
            literal += static_cast<char>("a\r\n)\"{}\0"[i % 8]);
        const std::string bytes = "* 1 FETCH (BODY[] {" + std::to_string(size) + "}\r\n" + literal +
                                  " UID 5)\r\np1 OK done\r\n";
        for (std::size_t step = 1; step <= bytes.size(); ++step) {
            std::vector<ImapResponse> responses = Assemble(bytes, step);
            ASSERT_EQ(responses.size(), 2u) << size << " " << step;
            EXPECT_EQ(responses[0].text, "* 1 FETCH (BODY[] {" + std::to_string(size) + "} UID 5)");
            ASSERT_EQ(responses[0].literals.size(), 1u);
            EXPECT_EQ(responses[0].literals[0], literal) << size << " " << step;
            EXPECT_EQ(responses[1].text, "p1 OK done");
        }
    }
}

TEST(ImapResponseTest, EveryResponseIsBounded) {
    struct Case {
        const char* name;
        std::string bytes;
        bool ok;
        std::size_t responses;
    };
    const std::size_t limit = 100;
    const Case cases[] = {
        {"within the limit", "* OK " + std::string(80, 'x') + "\r\n", true, 1},
        {"a line without end", "* OK " + std::string(200, 'x'), false, 0},
        {"a long line", "* OK " + std::string(200, 'x') + "\r\n", false, 0},
        {"a literal announced too large", "* 1 FETCH (BODY[] {104857600}\r\n", false, 0},
        {"a size beyond any number", "* 1 FETCH (BODY[] {99999999999999999999999}\r\n", false, 0},
        {"literals adding up", "* 1 FETCH (A {40}\r\n" + std::string(40, 'y') + " B {40}\r\n",
         false, 0},
        {"earlier responses kept", "* 1 EXISTS\r\n* OK " + std::string(200, 'x'), false, 1},
        {"bare line feeds", "* 2 EXISTS\n* 1 RECENT\n", true, 2},
        {"not a literal", "* OK {abc}\r\n* OK {}\r\n* OK {1} x\r\n", true, 3},
        {"other literal forms", "* 1 FETCH (A {3+}\r\nabc B ~{2}\r\nde)\r\n", true, 1},
    };
    for (const Case& c : cases) {
        bool ok = false;
        std::vector<ImapResponse> responses = Assemble(c.bytes, 7, limit, &ok);
        EXPECT_EQ(ok, c.ok) << c.name;
        EXPECT_EQ(responses.size(), c.responses) << c.name;
    }
}

TEST(ImapResponseTest, HeadOfEachKind) {
    struct Case {
        std::string text;
        ImapKind kind;
        std::string tag;
        ImapStatus status;
        std::string code;
        std::optional<std::uint32_t> number;
        std::string keyword;
        std::string rest;
    };
    const Case cases[] = {
        {"* OK [UIDNEXT 4392] Next",
         ImapKind::kUntagged,
         "",
         ImapStatus::kOk,
         "UIDNEXT 4392",
         {},
         "",
         "Next"},
        {"* PREAUTH hi", ImapKind::kUntagged, "", ImapStatus::kPreauth, "", {}, "", "hi"},
        {"p3 no [NONEXISTENT] x",
         ImapKind::kTagged,
         "p3",
         ImapStatus::kNo,
         "NONEXISTENT",
         {},
         "",
         "x"},
        {"* 23 EXISTS", ImapKind::kUntagged, "", ImapStatus::kNone, "", 23, "EXISTS", ""},
        {"* SEARCH 2 5", ImapKind::kUntagged, "", ImapStatus::kNone, "", {}, "SEARCH", "2 5"},
        {"+ idling", ImapKind::kContinuation, "", ImapStatus::kNone, "", {}, "", "idling"},
        {"* 99999999999 EXISTS",
         ImapKind::kUntagged,
         "",
         ImapStatus::kNone,
         "",
         {},
         "99999999999",
         "EXISTS"},
        {"* BYE [unclosed", ImapKind::kUntagged, "", ImapStatus::kBye, "", {}, "", "[unclosed"},
    };
    for (const Case& c : cases) {
        ImapHead head = ParseImapHead(c.text);
        EXPECT_EQ(head.kind, c.kind) << c.text;
        EXPECT_EQ(head.tag, c.tag) << c.text;
        EXPECT_EQ(head.status, c.status) << c.text;
        EXPECT_EQ(head.code, c.code) << c.text;
        EXPECT_EQ(head.number, c.number) << c.text;
        EXPECT_EQ(head.keyword, c.keyword) << c.text;
        EXPECT_EQ(head.rest, c.rest) << c.text;
    }
}

TEST(ImapResponseTest, FetchItems) {
    ImapResponse response;
    response.text =
        "* 12 FETCH (FLAGS (\\Seen (nested)) UID 40 BODY[HEADER.FIELDS (DATE FROM)] {3} "
        "RFC822.SIZE 1234 BODY[HEADER]<0> {2} BODY[TEXT]<0> \"a\\\"b\\\\c\" BODY[] NIL)";
    response.literals = {"xyz", "hd"};
    ImapFetch fetch;
    ASSERT_TRUE(ParseFetch(response, fetch));
    EXPECT_EQ(fetch.sequence, 12u);
    EXPECT_EQ(fetch.uid, 40u);
    EXPECT_EQ(fetch.size, 1234u);
    EXPECT_EQ(fetch.header, "hd");
    EXPECT_EQ(fetch.text, "a\"b\\c");
    EXPECT_EQ(fetch.whole, "");

    const char* malformed[] = {
        "* 1 FETCH UID 4",           // no list
        "* 1 FETCH (UID 4",          // unclosed
        "* 1 FETCH (BODY[] {5})",    // a literal that never came
        "* 1 FETCH (BODY[] \"abc)",  // unclosed string
        "* 1 FETCH (FLAGS (a (b)",   // unclosed nested list
        "* FETCH (UID 4)",           // no number
        "* 1 EXISTS",
    };
    for (const char* text : malformed) {
        ImapResponse bad;
        bad.text = text;
        EXPECT_FALSE(ParseFetch(bad, fetch)) << text;
    }
}

}  // namespace
}  // namespace pell
