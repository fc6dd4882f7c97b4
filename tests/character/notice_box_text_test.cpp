// The plain new-mail box lists one line per message under the notice.
#include "character/notice_box_text.h"

#include <gtest/gtest.h>

namespace pell {
namespace {

TEST(NoticeBoxText, NoticeThenOneLinePerSummary) {
    NewMailNotice notice;
    notice.text = "Home にメールが2通届いています。";
    EXPECT_EQ(NoticeBoxText(notice), "Home にメールが2通届いています。\r\n");
    notice.summaries = std::make_unique<MailSummaryList>();
    notice.summaries->push_back({"2026/12/07 05:00", "Bob", "件名", "", ""});
    notice.summaries->push_back({"", "", "", "", ""});
    EXPECT_EQ(NoticeBoxText(notice),
              "Home にメールが2通届いています。\r\n 2026/12/07 05:00 Bob 件名\r\n   \r\n");
}

}  // namespace
}  // namespace pell
