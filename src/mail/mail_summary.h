#pragma once
// One new message as the windows show it, made from the head and first body
// lines that the server sent for it (a TOP or RETR reply).
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pell {

struct MailSummary {
    std::string date;     // "%04d/%02d/%02d %s", or empty without a Date field
    std::string sender;   // decoded From (or To) value
    std::string subject;  // decoded Subject value
    std::string uidl;     // X-UIDL value as found, or empty
    std::string viewer;   // head lines, body text, attachments and the lines note
};

// Newest first; at most kMaxSummaries are made per check.
using MailSummaryList = std::vector<MailSummary>;
inline constexpr std::size_t kMaxSummaries = 50;

struct ExtractedMessage {
    std::string messageId;  // the Message-ID value as it stands, or empty
    MailSummary summary;
};

// Reads one multi-line reply (from the status line up to and including the
// end marker). `wholeMessage` is the ReadAll flag, `getLines` the GetLines value.
ExtractedMessage ExtractMessage(std::string_view reply, bool wholeMessage, int getLines);

// Only the Message-ID of a reply, exactly as ExtractMessage finds it.
std::string ExtractMessageId(std::string_view reply);

inline void FreeMailSummaries(std::unique_ptr<MailSummaryList>& summaries) {
    summaries.reset();
}

}  // namespace pell
