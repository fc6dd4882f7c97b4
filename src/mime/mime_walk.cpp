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

// The boundaries of the open multiparts, innermost last.
class Frames {
  public:
    explicit Frames(std::string_view outer) : outer_(outer) {}

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::string_view operator[](std::size_t k) const {
        return k == 0 ? outer_ : std::string_view(nested_[k - 1]);
    }

    void Push(std::string boundary) {
        if (nested_.capacity() == 0)
            nested_.reserve(kMaxMimeDepth);
        nested_.push_back(std::move(boundary));
        ++size_;
    }
    void Resize(std::size_t size) {
        size_ = size;
        nested_.resize(size == 0 ? 0 : size - 1);
    }

  private:
    std::string_view outer_;
    std::vector<std::string> nested_;
    std::size_t size_ = 1;
};

}  // namespace

std::vector<MimeLeaf> WalkMultipart(std::string_view body, std::string_view boundary) {
    std::vector<MimeLeaf> leaves;
    if (boundary.empty())
        return leaves;
    leaves.reserve(4);
    // The boundaries of the multiparts that are open, outermost first. The
    // outermost is the caller's; each nested one is kept in `nested`, which
    // never holds more than kMaxMimeDepth and so never moves its strings.
    Frames frames(boundary);
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
                frames.Resize(k + 1);
                if (kind == DelimiterKind::kClose) {
                    frames.Resize(k);
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
                frames.Push(std::move(headers.boundary));
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
