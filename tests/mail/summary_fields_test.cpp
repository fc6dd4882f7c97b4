// Header lookup, trimming of field values and the shown date.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/header_fields.h"
#include "mail/summary_date.h"

namespace pell {
namespace {

TEST(FindHeaderValue, FirstOccurrenceAnyCaseRunningToTheEnd) {
    const std::string head =
        "+OK\r\nDelivery-Date: Mon\r\nDate: Tue\r\nfrom:x\r\nSubject:\r\nTo: \tb\r\nX: Message-Id";
    struct Case {
        const char* name;
        std::string expected;
    };
    const Case cases[] = {
        {"Date:", "Mon\r\nDate: Tue\r\nfrom:x\r\nSubject:\r\nTo: \tb\r\nX: Message-Id"},
        {"From:", "x\r\nSubject:\r\nTo: \tb\r\nX: Message-Id"},
        {"Subject:", "\r\nTo: \tb\r\nX: Message-Id"},
        {"To:", "\tb\r\nX: Message-Id"},
        {"Message-I", ""},  // only in a value, which is no field name
        {"Cc:", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindHeaderValue(head, c.name), c.expected) << c.name;
}

// Names are looked for in field names only: a signature's "h=" list, a value,
// a continuation line or a line without a colon never stands for a field.
TEST(FindHeaderValue, OnlyFieldNamesCount) {
    const std::string head =
        "+OK 120 octets\r\n"
        "DKIM-Signature: v=1; d=example.com;\r\n"
        "\th=to:subject:message-id:date:from:mime-version;\r\n"
        "\tbh=abc=; b=def\r\n"
        "X-Note: From: spoofed; Date: Mon, 1 Jan 2001\r\n"
        " Subject: folded\r\n"
        "a Message-Info line without a colon\r\n"
        "From: real@example.jp\r\n"
        "Subject: real subject\r\n"
        "Date: Tue, 3 Feb 2004 21:05:09 +0900\r\n"
        "Message-ID: <real@example.jp>\r\n"
        "X-Message-Info: tail";
    struct Case {
        const char* name;
        bool found;
        std::string value;
    };
    const Case cases[] = {
        {"From:", true, "real@example.jp"},
        {"Subject:", true, "real subject"},
        {"Date:", true, "Tue, 3 Feb 2004 21:05:09 +0900"},
        {"Message-I", true, "<real@example.jp>"},
        {"To:", false, ""},
        {"Info:", true, "tail"},  // the tail of a longer name still counts
    };
    std::vector<HeaderLookup> lookups;
    for (const auto& c : cases) {
        bool found = false;
        const std::string_view value = CutHeaderValue(FindHeaderValue(head, c.name, found));
        EXPECT_EQ(found, c.found) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
        lookups.push_back({c.name, {}, false, false, 0});
    }
    // All at once, as the summary looks them up, the same answers.
    FindHeaderValues(head, lookups.data(), lookups.size());
    for (std::size_t k = 0; k < lookups.size(); ++k) {
        EXPECT_EQ(lookups[k].found, cases[k].found) << cases[k].name;
        EXPECT_EQ(CutHeaderValue(lookups[k].value), cases[k].value) << cases[k].name;
    }
}

TEST(CutHeaderValue, EndsAtTheFirstLineNotContinued) {
    const std::pair<std::string, std::string> cases[] = {
        {"abc\r\nNext: x", "abc"},
        {"abc\r\n def\r\n\tghi\r\nNext: x", "abc\r\n def\r\n\tghi"},
        {"abc", "abc"},
        {"abc\r\n", "abc\r\n"},  // a line break that ends the text stays
        {"abc\r\n def", "abc\r\n def"},
        {"\r\nNext", ""},
        {"a\rb\nc\r\nd", "a\rb\nc"},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(CutHeaderValue(value), expected);
}

TEST(UnfoldHeaderValue, JoinsBlankAndTabContinuations) {
    const std::pair<std::string, std::string> cases[] = {
        {"one\r\n two", "one two"},
        {"one\r\n\ttwo", "one two"},
        {"a\r\n\r\n b", "a\r\n b"},
        {"a\r\n", "a\r\n"},
        {"", ""},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(UnfoldHeaderValue(value), expected);
}

TEST(StripQuotes, DropsLeadingQuoteAndEndsAtTheNext) {
    const std::pair<std::string, std::string> cases[] = {
        {"\"a.txt\"", "a.txt"}, {"\"a.txt", "a.txt"}, {"a\"b\"", "a"},
        {"plain", "plain"},     {"\"\"", ""},         {"", ""},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(StripQuotes(value), expected);
}

TEST(FormatSummaryDate, FormatsOrFallsBackToTheRawLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"Tue, 3 Feb 2004 21:05:09 +0900", "2004/02/03 21:05:09"},
        {"3 Feb 2004 21:05:09 +0900", "2004/02/03 21:05:09"},
        {"Tue, 3 Feb 04 21:05:09 +0900", "2004/02/03 21:05:09"},
        {"Fri, 14 May 2004 08:00:00 GMT", "2004/05/14 08:00:00"},
        {"Wed, 31 dec 2003 23:59 -0500", "2003/12/31 23:59"},
        {"Tue, 3 Feb 2004\r\n 21:05:09 +0900", "2004/02/03 21:05:09"},
        {"Tue, 3 Feb 2004 21:05:09", "2004/02/03 21:05:09"},  // no zone
        {"Tue, 3 Feb 2004 21:05:09\r\n +0900", "2004/02/03 21:05:09"},
        // The obsolete forms: no blank after the comma, runs of blanks, folding
        // anywhere, comments, two- and three-digit years, zone names.
        {"Thu,29 Apr 2012 23:34:45 +0900", "2012/04/29 23:34:45"},
        {"Sun,  7 Sep 2008 21:40:12 +0900 (JST)", "2008/09/07 21:40:12"},
        {"Thu,\r\n 29 Apr 2012 23:34:45 +0900", "2012/04/29 23:34:45"},
        {"21 Nov 97 09:55:06 GMT", "1997/11/21 09:55:06"},
        {"Fri, 21 Nov 03 09:55 EST", "2003/11/21 09:55"},
        {"Fri, 21 Nov 103 09:55:06 -0500", "2003/11/21 09:55:06"},
        {"(Friday) 21 (x) Nov 1997 09 : 55 : 06 (a (nested) comment) z", "1997/11/21 09:55:06"},
        {"Thursday, 29 Apr 2012 23:34:45", "2012/04/29 23:34:45"},
        {"Thu 29 Apr 2012 23:34:45", "2012/04/29 23:34:45"},
        {"Thu, 32 Apr 2012 23:34:45", "Thu, 32 Apr 2012 23:34:45"},
        {"Thu, 29 Apr 2012 23:", "Thu, 29 Apr 2012 23:"},
        {"Thu, 29 Apr 2 23:34", "Thu, 29 Apr 2 23:34"},
        {"Thu, 29 Apr 2012 (23:34:45", "Thu, 29 Apr 2012 (23:34:45"},
        {"Sun, 13 Ma(x\\", "Sun, 13 Ma(x\\"},  // an escape ends the value
        {"Tue, 3 Foo 2004 21:05:09 +0900", "Tue, 3 Foo 2004 21:05:09 +0900"},
        {"Tue, 3 eb 2004 21:05:09 +0900", "Tue, 3 eb 2004 21:05:09 +0900"},
        {"Tue, 3 February 2004 21:05:09", "Tue, 3 February 2004 21:05:09"},
        {"Tue, 3 Feb 2004", "Tue, 3 Feb 2004"},
        {"Tue, 3 Feb 2004 ", "Tue, 3 Feb 2004 "},
        {"3 Feb", "3 Feb"},
        {"yesterday\r\n evening", "yesterday"},
        {"Tue,", "Tue,"},
        {"", ""},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(FormatSummaryDate(value), expected) << value;
}

}  // namespace
}  // namespace pell
