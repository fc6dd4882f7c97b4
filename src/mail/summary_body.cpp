#include "mail/summary_body.h"

#include <algorithm>
#include <vector>

#include "mail/header_fields.h"
#include "mime/anchored_search.h"
#include "mime/encoded_words.h"
#include "mime/japanese_encoding.h"
#include "startup/text_search.h"

namespace pell {
namespace {

constexpr std::string_view kBlankLine = "\r\n\r\n";
constexpr std::string_view kEndMarker = "\r\n.\r\n";

// Where the first CR LF CR LF at or behind `from` starts. Part heads are
// searched again and again while a malformed message keeps the scan inside one
// head, so the last answer is kept and reused while it still lies ahead.
class BlankLineFinder {
  public:
    explicit BlankLineFinder(std::string_view text) : text_(text) {}
    std::size_t From(std::size_t from) {
        if (!known_ || (cached_ != kNotFound && cached_ < from) ||
            (cached_ == kNotFound && from < searchedFrom_)) {
            cached_ = FindText(text_, kBlankLine, from);
            searchedFrom_ = from;
            known_ = true;
        }
        return cached_;
    }

  private:
    std::string_view text_;
    std::size_t cached_ = kNotFound;
    std::size_t searchedFrom_ = 0;
    bool known_ = false;
};

// Finds the boundary, a pattern that comes from the message itself and may be
// of any length: a prefix-table search keeps every lookup linear in the text.
class BoundaryFinder {
  public:
    explicit BoundaryFinder(std::string_view pattern)
        : pattern_(pattern), fallback_(pattern.size()) {
        std::size_t k = 0;
        for (std::size_t i = 1; i < pattern_.size(); ++i) {
            while (k > 0 && pattern_[i] != pattern_[k])
                k = fallback_[k - 1];
            if (pattern_[i] == pattern_[k])
                ++k;
            fallback_[i] = k;
        }
    }

    // First occurrence at or behind `from`, as FindText answers it.
    std::size_t Find(std::string_view text, std::size_t from) const {
        if (from >= text.size())
            return kNotFound;
        if (pattern_.empty())
            return from;
        std::size_t k = 0;
        for (std::size_t i = from; i < text.size(); ++i) {
            while (k > 0 && text[i] != pattern_[k])
                k = fallback_[k - 1];
            if (text[i] == pattern_[k])
                ++k;
            if (k == pattern_.size())
                return i + 1 - k;
        }
        return kNotFound;
    }

  private:
    std::string_view pattern_;
    std::vector<std::size_t> fallback_;
};

// The text part: behind the head that follows "text/plain" (else "text/html")
// up to the boundary.
std::string_view TextPart(std::string_view body, const BoundaryFinder& boundary) {
    std::size_t found = FindNoCaseAnchored(body, "text/plain");
    if (found == kNotFound)
        found = FindNoCaseAnchored(body, "text/html");
    if (found == kNotFound)
        return {};
    const std::size_t headEnd = FindText(body, kBlankLine, found);
    if (headEnd == kNotFound)
        return body.substr(found);
    const std::size_t start = headEnd + kBlankLine.size();
    const std::size_t end = boundary.Find(body, start);
    if (end == kNotFound)
        return body.substr(start);
    return body.substr(start, end - start);
}

void RemoveEscapes(std::string& text) {
    std::size_t w = 0;
    for (char c : text) {
        if (c != '\x1b')
            text[w++] = c;
    }
    text.resize(w);
}

}  // namespace

std::string ListAttachments(std::string_view body, std::string_view boundaryText) {
    const BoundaryFinder boundary(boundaryText);
    std::string list;
    BlankLineFinder blankLine(body);
    std::size_t pos = 0;
    for (;;) {
        const std::size_t typeAt = FindNoCaseAnchored(body, "Content-type:", pos);
        if (typeAt == kNotFound)
            break;
        const std::size_t headEnd = blankLine.From(typeAt);
        const std::size_t searchEnd = headEnd == kNotFound ? body.size() : headEnd;
        const std::size_t nameAt = FindNoCaseAnchored(body.substr(0, searchEnd), "name=", typeAt);
        std::size_t next;
        if (nameAt != kNotFound) {
            const std::string_view field = CutHeaderValue(body.substr(nameAt));
            std::string name(field.substr(5));
            DecodeHeaderText(name);
            const std::string_view shown = StripQuotes(name);
            if (list.size() < kMaxAttachmentList) {
                list += "\r\n Attach:";
                list.append(shown);
                if (list.size() > kMaxAttachmentList)
                    list.resize(kMaxAttachmentList);
            }
            next = boundary.Find(body, nameAt + field.size());
        } else {
            if (headEnd == kNotFound)
                break;
            next = boundary.Find(body, headEnd + kBlankLine.size());
        }
        if (next == kNotFound)
            break;
        // Every round moves past the part head it looked at.
        pos = next > typeAt ? next : typeAt + 1;
    }
    return list;
}

std::string ExtractBodyText(std::string_view body, std::string_view contentType,
                            std::string_view boundary) {
    if (body.empty())
        return {};
    std::string text;
    if (FindNoCaseAnchored(contentType, "multipart/") != kNotFound) {
        text.assign(TextPart(body, BoundaryFinder(boundary)));
        text += ListAttachments(body, boundary);
    } else {
        text.assign(body);
    }
    // Converted over a copy of itself with the text's own length as capacity:
    // when the conversion stops full, the rest of the original stays behind it.
    std::string converted;
    if (AppendJisAsSjis(text, converted, text.size()) == kConversionFull) {
        converted.append(std::string_view(text).substr(std::min(converted.size(), text.size())));
    }
    const std::size_t end = FindText(converted, kEndMarker);
    if (end != kNotFound)
        converted.resize(end);
    // A stray ESC (one that began no known shift sequence) would only show as
    // garbage; it is dropped.
    RemoveEscapes(converted);
    return converted;
}

}  // namespace pell
