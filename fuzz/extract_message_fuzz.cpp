// Whole replies of any bytes turned into summaries.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "mail/mail_summary.h"
#include "mail/summary_body.h"
#include "whole_characters.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool wholeMessage = (data[0] & 1) != 0;
    const int getLines = data[0] >> 1;
    const std::string_view reply(reinterpret_cast<const char*>(data) + 1, size - 1);
    const pell::ExtractedMessage m = pell::ExtractMessage(reply, wholeMessage, getLines);
    const pell::MailSummary& s = m.summary;
    // No text may hold the separator, a zero byte or a broken byte, and the
    // short texts come from the reply itself, so they cannot be much longer
    // than it.
    for (const std::string* text : {&s.date, &s.sender, &s.subject, &s.uidl, &s.viewer}) {
        if (text->find('\x1b') != std::string::npos)
            std::abort();
        if (text->find('\0') != std::string::npos || !IsWholeCp932(*text))
            std::abort();
    }
    if (s.sender.size() > 2 * reply.size() || s.subject.size() > 2 * reply.size())
        std::abort();
    if (m.messageId != pell::ExtractMessageId(reply))
        std::abort();
    return 0;
}
