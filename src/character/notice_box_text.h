#pragma once
// The text of the plain new-mail message box.
#include <string>

#include "mail/new_mail_notice.h"

namespace pell {

// The notice text and CR LF, then " date sender subject" and CR LF for each
// summary in list order.
std::string NoticeBoxText(const NewMailNotice& notice);

}  // namespace pell
