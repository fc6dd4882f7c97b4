#pragma once
// What the worker hands to the main window when new mail was found.
#include <cstdint>
#include <memory>
#include <string>

#include "mail/mail_summary.h"

namespace pell {

struct NewMailNotice {
    std::string text;                            // "%s にメールが%d通届いています。"
    std::unique_ptr<MailSummaryList> summaries;  // null unless PopupSubj is on
    std::string accountName;                     // the account's section name
    int accountIndex = -1;
    std::int32_t listState[12] = {};  // the list window's own state, zero when posted
    std::uint32_t titleTextColor = 0xFF0000;
    std::uint32_t textColor = 0x000000;
    std::uint32_t backGroundColor = 0xD2FFFF;
    std::uint32_t selectTextColor = 0xFFFFFF;
    std::uint32_t selectBackGroundColor = 0x7845FF;
    std::uint32_t bodyHeaderTextColor = 0xBE0000;
    std::uint32_t bodyTextColor = 0x000000;
    std::uint32_t bodyBackGroundColor = 0xE6FFFF;
    std::string fontFace;  // at most 31 characters
    int fontHeight = 12;
    int bodyFontHeight = 12;
    bool body = false;  // PopupBody: the viewer may be opened from the list
};

inline void FreeNewMailNotice(std::unique_ptr<NewMailNotice>& notice) {
    notice.reset();
}

}  // namespace pell
