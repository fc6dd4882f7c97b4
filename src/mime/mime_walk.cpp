#include "mime/mime_walk.h"

#include <string>

namespace pell {
namespace {

enum class DelimiterKind { kNone, kOpen, kClose };

// A delimiter line is "--", the boundary, then nothing but blanks; the close
// delimiter has "--" behind the boundary.
DelimiterKind KindOf(std::string_view line, std::string_view boundary) {
    if (line.size() < 2 + boundary.size() || line.compare(2, boundary.size(), boundary) != 0)
        return DelimiterKind::kNone;
    const std::string_view rest = line.substr(2 + boundary.size());
    if (rest.size() >= 2 && rest[0] == '-' && rest[1] == '-')
        return DelimiterKind::kClose;
    for (char c : rest) {
        if (c != ' ' && c != '\t')
            return DelimiterKind::kNone;
    }
    return DelimiterKind::kOpen;
}

enum class State { kPreamble, kHead, kBody, kEpilogue };

}  // namespace

std::vector<MimeLeaf> WalkMultipart(std::string_view body, std::string_view boundary) {
    std::vector<MimeLeaf> leaves;
    if (boundary.empty())
        return leaves;
    // The boundaries of the multiparts that are open, outermost first.
    std::vector<std::string> frames{std::string(boundary)};
    State state = State::kPreamble;
    std::size_t headStart = 0;
    MimeLeaf current{};
    std::size_t bodyStart = 0;

    auto finishPart = [&](std::size_t lineStart) {
        if (state == State::kBody) {
            // The line break in front of a delimiter belongs to the delimiter.
            std::size_t end = lineStart;
            if (end > bodyStart && body[end - 1] == '\n')
                --end;
            if (end > bodyStart && body[end - 1] == '\r')
                --end;
            current.body = body.substr(bodyStart, end - bodyStart);
            leaves.push_back(std::move(current));
        } else if (state == State::kHead) {
            const std::string_view head = body.substr(headStart, lineStart - headStart);
            // No blank line: an empty body where the head stopped.
            leaves.push_back(
                {head, body.substr(lineStart, 0), frames.size(), ReadPartHeaders(head)});
        }
    };

    const std::size_t n = body.size();
    std::size_t pos = 0;
    while (pos < n && !frames.empty() && leaves.size() < kMaxMimeLeaves) {
        const std::size_t lineEnd = body.find('\n', pos);
        const std::size_t next = lineEnd == std::string_view::npos ? n : lineEnd + 1;
        std::string_view line = body.substr(pos, next - pos);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);

        bool delimiter = false;
        if (line.size() >= 2 && line[0] == '-' && line[1] == '-') {
            // The innermost multipart first: its boundary may extend an outer one.
            for (std::size_t k = frames.size(); k-- > 0;) {
                const DelimiterKind kind = KindOf(line, frames[k]);
                if (kind == DelimiterKind::kNone)
                    continue;
                finishPart(pos);
                frames.resize(k + 1);
                if (kind == DelimiterKind::kClose) {
                    frames.pop_back();
                    state = State::kEpilogue;
                } else {
                    state = State::kHead;
                    headStart = next;
                }
                delimiter = true;
                break;
            }
        }
        if (!delimiter && state == State::kHead && line.empty()) {
            const std::string_view head = body.substr(headStart, pos - headStart);
            PartHeaders headers = ReadPartHeaders(head);
            if (headers.mediaType.compare(0, 10, "multipart/") == 0 && !headers.boundary.empty() &&
                frames.size() < kMaxMimeDepth) {
                frames.push_back(std::move(headers.boundary));
                state = State::kPreamble;
            } else {
                current = {head, {}, frames.size(), std::move(headers)};
                bodyStart = next;
                state = State::kBody;
            }
        }
        pos = next;
    }
    if (leaves.size() < kMaxMimeLeaves && pos >= n) {
        // A part that the end of the text cut off runs to the end.
        if (state == State::kBody) {
            current.body = body.substr(bodyStart);
            leaves.push_back(std::move(current));
        } else if (state == State::kHead) {
            finishPart(n);
        }
    }
    return leaves;
}

}  // namespace pell
