#include "character/notice_box_text.h"

namespace pell {

std::string NoticeBoxText(const NewMailNotice& notice) {
    std::string text = notice.text + "\r\n";
    if (notice.summaries) {
        for (const MailSummary& summary : *notice.summaries) {
            text += " " + summary.date + " " + summary.sender + " " + summary.subject + "\r\n";
        }
    }
    return text;
}

}  // namespace pell
