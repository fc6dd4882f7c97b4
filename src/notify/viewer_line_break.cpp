#include "notify/viewer_line_break.h"

#include <array>
#include <limits>

namespace pell {
namespace {

bool ContainsCr(std::string_view text) {
    return text.find('\r') != std::string_view::npos;
}

// The line of the first k characters (k >= 1) after the width rule fired at
// character `over`, whose prefix ends at ends[over - 1].
LineBreak WidthBreak(std::string_view rest, const std::size_t* ends, std::size_t over,
                     const int* widths) {
    // One character back, or two when a CR was taken (it goes with its LF).
    const std::size_t back = ContainsCr(rest.substr(0, ends[over - 1])) ? 2 : 1;
    const std::size_t keep = over > back ? over - back : 1;
    // A single character wider than the line was never measured alone.
    const int width = widths && keep < over ? widths[keep - 1] : -1;
    return {ends[keep - 1], ends[keep - 1], width};
}

}  // namespace

LineBreak NextViewerLine(std::string_view rest, TextMeasurer& measurer, std::size_t guessBytes,
                         int maxWidth) {
    // The characters whose prefixes can end the line by width: those before
    // the first CR LF, the byte limit and the end of the rest. They are
    // found as far as the guess first, and further only when it all fits.
    // Only the first `count` are ever read.
    std::array<std::size_t, kViewerLineMaxBytes + 1> ends;
    std::size_t count = 0;
    std::size_t pos = 0;
    enum class Stop { kEnd, kCrLf, kLimit, kGuess } stop = Stop::kEnd;
    std::size_t crlfEnd = 0;
    const auto scan = [&](std::size_t upTo) {
        stop = Stop::kEnd;
        while (pos < rest.size()) {
            const std::size_t next = NextCharEnd(rest, pos);
            if (rest[pos] == '\n' && pos > 0 && rest[pos - 1] == '\r') {
                stop = Stop::kCrLf;
                crlfEnd = next;
                return;
            }
            if (next > kViewerLineMaxBytes) {
                stop = Stop::kLimit;
                return;
            }
            if (next > upTo) {
                stop = Stop::kGuess;
                return;
            }
            ends[count++] = next;
            pos = next;
        }
    };
    scan(guessBytes);
    TextMeasurer::Fit fit;
    if (stop == Stop::kGuess) {
        if (count > 0) {
            // Widths grow with the prefix: a character too wide among the
            // guessed ones is the first one overall.
            fit = measurer.FitPrefixes(rest, ends.data(), count, maxWidth);
            if (fit.fitting < count)
                return WidthBreak(rest, ends.data(), fit.fitting + 1, fit.widths);
        }
        scan(kViewerLineMaxBytes);
    }
    if (count > 0)
        fit = measurer.FitPrefixes(rest, ends.data(), count, maxWidth);
    if (fit.fitting < count)
        return WidthBreak(rest, ends.data(), fit.fitting + 1, fit.widths);
    switch (stop) {
        case Stop::kCrLf:
            // The CR is the last character taken; the shown text ends before it.
            return {crlfEnd - 2, crlfEnd, count >= 2 && fit.widths ? fit.widths[count - 2] : -1};
        case Stop::kLimit:
            return {ends[count - 1], ends[count - 1], fit.widths ? fit.widths[count - 1] : -1};
        case Stop::kEnd:
        case Stop::kGuess:
            break;
    }
    return {rest.size(), rest.size(), fit.widths && count ? fit.widths[count - 1] : -1};
}

LineBreak NextViewerLineByPrefix(std::string_view rest, TextMeasurer& measurer, int maxWidth) {
    std::vector<std::size_t> ends;
    std::size_t taken = 0;
    for (;;) {
        const std::string_view text = rest.substr(0, taken);
        const std::size_t crlf = text.find("\r\n");
        if (crlf != std::string_view::npos)
            return {crlf, taken};
        if (taken > kViewerLineMaxBytes)
            return {ends[ends.size() - 2], ends[ends.size() - 2]};
        if (taken > 0 && measurer.Measure(text).cx > maxWidth)
            return WidthBreak(rest, ends.data(), ends.size(), nullptr);
        if (taken == rest.size())
            return {taken, taken};
        taken = NextCharEnd(rest, taken);
        ends.push_back(taken);
    }
}

std::vector<ViewerLine> BreakViewerText(std::string_view text, TextMeasurer& measurer,
                                        int maxWidth) {
    // Offsets are kept in 32 bits; a text that long is laid out up to there.
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
        text = text.substr(0, std::numeric_limits<std::uint32_t>::max());
    std::vector<ViewerLine> lines;
    std::size_t pos = 0;
    std::size_t guess = kViewerLineMaxBytes;
    while (pos < text.size()) {
        const LineBreak line = NextViewerLine(text.substr(pos), measurer, guess, maxWidth);
        const bool keepWidth = line.width >= 0 && line.width <= 0x7FFF;
        lines.push_back({static_cast<std::uint32_t>(pos), static_cast<std::uint16_t>(line.shown),
                         static_cast<std::uint16_t>(line.consumed),
                         static_cast<std::int16_t>(keepWidth ? line.width : -1)});
        pos += line.consumed;
        guess = line.consumed + line.consumed / 4 + 8;
    }
    return lines;
}

}  // namespace pell
