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

std::vector<std::string_view> MultiLineBody(std::string_view reply) {
    std::vector<std::string_view> lines;
    std::size_t at = reply.find('\n');
    while (at != std::string_view::npos && at + 1 < reply.size()) {
        const std::size_t start = at + 1;
        at = reply.find('\n', start);
        std::string_view line =
            reply.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line == ".")
            break;
        if (!line.empty() && line[0] == '.')
            line.remove_prefix(1);
        lines.push_back(line);
    }
    return lines;
}

void LineChannel::DropLeftoverLineFeed() {
    if (!leftoverLineFeed_ || pending_.empty())
        return;
    if (pending_[0] == '\n')
        pending_.erase(0, 1);
    leftoverLineFeed_ = false;
}

bool LineChannel::ReceiveMore() {
    if (ended_)
        return false;
    const std::size_t before = pending_.size();
    pending_.resize(before + kBulkReceiveSize);
    int got = socket_.Receive(pending_.data() + before, kBulkReceiveSize);
    pending_.resize(before + static_cast<std::size_t>(std::max(got, 0)));
    if (got <= 0) {
        ended_ = true;
        return false;
    }
    return true;
}

bool LineChannel::ReceiveArea(std::string& area, std::size_t size) {
    DropLeftoverLineFeed();
    std::size_t gathered = std::min(size, pending_.size());
    area.assign(pending_, 0, gathered);
    pending_.erase(0, gathered);
    if (area.find("\r\n") != std::string::npos)
        return true;
    area.resize(size);
    while (gathered < size) {
        if (ended_)
            break;
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

int LineChannel::Send(std::string_view commands) {
    if (!pending_.empty()) {
        pending_.clear();
        leftoverLineFeed_ = false;
    }
    return socket_.Send(commands) ? kLineOk : kLineSendFailed;
}

int LineChannel::SendRecvLine(std::optional<std::string_view> command, std::string* reply,
                              std::size_t capacity) {
    if (command && Send(*command) != kLineOk)
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
        if (ended())
            return kLineReceiveFailed;
        result = SendRecvLine(std::nullopt, &reply, capacity);
    }
    return result;
}

int LineChannel::ReadReplyLine(std::string& reply, std::size_t capacity) {
    reply.clear();
    const std::size_t room = capacity > 0 ? capacity - 1 : 0;
    for (;;) {
        DropLeftoverLineFeed();
        if (pending_.empty() && !ReceiveMore())
            return kLineReceiveFailed;
        DropLeftoverLineFeed();
        const std::size_t end = pending_.find('\n');
        const std::size_t take = end == std::string::npos ? pending_.size() : end + 1;
        reply.append(pending_, 0, std::min(take, room - std::min(room, reply.size())));
        pending_.erase(0, take);
        if (end != std::string::npos)
            return kLineOk;
    }
}

MultiLineResult LineChannel::ReadMultiLine(std::string& text, std::size_t expectedSize,
                                           std::size_t limit, const TraceSink& trace) {
    MultiLineResult result;
    text.clear();
    text.reserve(std::min<std::size_t>(
        {expectedSize + kMessageSlack, limit, static_cast<std::size_t>(64 * 1024)}));
    // The last two bytes of the reply so far, so that a marker split between
    // two receive steps is found even when the text is no longer kept.
    std::string tail;
    for (;;) {
        DropLeftoverLineFeed();
        if (pending_.empty()) {
            if (!ReceiveMore()) {
                result.end = MultiLineEnd::kConnectionEnded;
                return result;
            }
            DropLeftoverLineFeed();
            if (pending_.empty())
                continue;
        }
        std::size_t take = pending_.size();
        bool done = false;
        if (result.totalBytes == 0 && pending_[0] == '-')
            result.end = MultiLineEnd::kErrorReply;
        if (result.end == MultiLineEnd::kErrorReply) {
            // A one-line error: it ends at its line feed.
            const std::size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                take = end + 1;
                done = true;
            }
        } else {
            const std::string window = tail + pending_.substr(0, std::min(take, kEndMarker.size()));
            std::size_t at = window.find(kEndMarker);
            if (at != std::string::npos) {
                take = at + kEndMarker.size() - tail.size();
            } else {
                at = pending_.find(kEndMarker);
                if (at != std::string::npos)
                    take = at + kEndMarker.size();
            }
            if (at != std::string::npos) {
                done = true;
                // The marker's line feed belongs to this reply, also when it
                // is still on the way (a server sends it at once; one that
                // does not is waited for no longer than the time-out, and its
                // LF is dropped when it comes later).
                if (take == pending_.size())
                    ReceiveMore();
                if (take < pending_.size() && pending_[take] == '\n')
                    ++take;
                else if (take == pending_.size())
                    leftoverLineFeed_ = true;
            }
        }

        const std::size_t keep = std::min(take, limit - std::min(limit, text.size()));
        text.append(pending_, 0, keep);
        if (keep < take)
            result.truncated = true;
        tail = (tail + pending_.substr(take > 2 ? take - 2 : 0, std::min<std::size_t>(take, 2)));
        tail = tail.substr(tail.size() > 2 ? tail.size() - 2 : 0);
        pending_.erase(0, take);
        result.totalBytes += take;

        if (trace) {
            char line[40];
            std::snprintf(line, sizeof line, "%zu byte\n", result.totalBytes);
            trace(line);
        }
        if (done) {
            if (result.end == MultiLineEnd::kErrorReply)
                return result;
            if (trace)
                trace("Done.");
            result.end = MultiLineEnd::kMarker;
            return result;
        }
    }
}

}  // namespace pell
