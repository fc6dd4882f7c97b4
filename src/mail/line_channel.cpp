#include "mail/line_channel.h"

#include <algorithm>
#include <cstdio>

namespace pell {
namespace {

constexpr std::string_view kEndMarker = "\n.\r";
// Receive step of the multi-line replies and of the rest of an overlong line.
constexpr std::size_t kBulkReceiveSize = 16 * 1024;

}  // namespace

bool IsReplyComplete(std::string_view text) {
    return !text.empty() && (text[0] == '+' || text[0] == '-') &&
           text.find('\n') != std::string_view::npos;
}

bool LineChannel::ReceiveArea(std::string& area, std::size_t size) {
    area.resize(size);
    std::size_t gathered = 0;
    while (gathered < size) {
        int got = socket_.Receive(area.data() + gathered, size - gathered);
        if (got < 0) {
            ended_ = true;
            area.clear();
            return false;
        }
        if (got == 0) {
            ended_ = true;
            break;
        }
        std::size_t before = gathered;
        gathered += static_cast<std::size_t>(got);
        // CR LF anywhere in the area; only the new bytes (and the one before
        // them) can complete a pair.
        std::string_view seen(area.data(), gathered);
        if (seen.find("\r\n", before ? before - 1 : 0) != std::string_view::npos)
            break;
    }
    area.resize(gathered);
    return true;
}

int LineChannel::SendRecvLine(std::optional<std::string_view> command, std::string* reply,
                              std::size_t capacity) {
    if (command && !socket_.Send(*command))
        return kLineSendFailed;
    if (!reply)
        return kLineOk;
    std::size_t room = capacity > reply->size() + 1 ? capacity - 1 - reply->size() : 0;
    // A reply that has filled its buffer is only read on to its line feed:
    // larger steps then, or a line of megabytes takes thousands of receives.
    std::string area;
    if (!ReceiveArea(area, room == 0 ? kBulkReceiveSize : kReceiveAreaSize))
        return kLineReceiveFailed;
    droppedLineFeed_ = false;
    if (area.size() > room) {
        droppedLineFeed_ = area.find('\n', room) != std::string::npos;
        area.resize(room);
    }
    reply->append(area);
    return kLineOk;
}

int LineChannel::CompletedReply(std::optional<std::string_view> command, std::string& reply,
                                std::size_t capacity) {
    int result = SendRecvLine(command, &reply, capacity);
    while (result == kLineOk && !IsReplyComplete(reply) && !droppedLineFeed_) {
        if (ended_)
            return kLineReceiveFailed;
        result = SendRecvLine(std::nullopt, &reply, capacity);
    }
    return result;
}

MultiLineResult LineChannel::ReadMultiLine(std::string& text, std::size_t expectedSize,
                                           std::size_t limit, const TraceSink& trace) {
    MultiLineResult result;
    text.clear();
    text.reserve(std::min<std::size_t>(
        {expectedSize + kMessageSlack, limit, static_cast<std::size_t>(64 * 1024)}));
    // The last two bytes received, so that a marker split between two receive
    // steps is found even when the text is no longer kept.
    std::string carry;
    bool statusChecked = false;
    std::string area;
    for (;;) {
        // The text has no line limit to keep: it is read in large steps.
        if (!ReceiveArea(area, kBulkReceiveSize))
            return result;
        result.totalBytes += area.size();

        std::size_t keep = std::min(area.size(), limit - std::min(limit, text.size()));
        text.append(area, 0, keep);
        if (keep < area.size())
            result.truncated = true;

        if (!statusChecked && text.find('\n') != std::string::npos) {
            statusChecked = true;
            if (text[0] == '-') {
                result.end = MultiLineEnd::kErrorReply;
                return result;
            }
        }

        std::string window = carry + area;
        bool found = window.find(kEndMarker) != std::string::npos;
        carry = window.substr(window.size() > 2 ? window.size() - 2 : 0);

        if (trace) {
            char line[40];
            std::snprintf(line, sizeof line, "%zu byte\n", result.totalBytes);
            trace(line);
        }
        if (found) {
            if (trace)
                trace("Done.");
            result.end = MultiLineEnd::kMarker;
            return result;
        }
        if (ended_)
            return result;
    }
}

}  // namespace pell
