// Viewer line breaking: the fast search, alone or on cached character widths,
// gives the lines of the plain rule, on chosen edge cases and on random
// Shift_JIS text, without measuring the rest.
#include "notify/viewer_line_break.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "notify/char_width_cache.h"
#include "notify/fake_measurer.h"

namespace pell {
namespace {

using testing_notify::FakeMeasurer;

// Widths drawn per byte value, so that a character's width does not depend on
// where it stands.
class RandomWidths : public FakeMeasurer {
  public:
    explicit RandomWidths(unsigned seed) {
        std::mt19937 random(seed);
        for (int& w : widths_)
            w = static_cast<int>(random() % 40);
    }
    int CharWidth(std::string_view ch) override {
        if (ch.size() == 1)
            return widths_[static_cast<unsigned char>(ch[0])];
        return widths_[static_cast<unsigned char>(ch[0])] +
               widths_[static_cast<unsigned char>(ch[1])] % 7 + 3;
    }

  private:
    int widths_[256];
};

std::vector<std::string> Lines(const std::string& text, TextMeasurer& measurer, bool plain,
                               std::size_t guess = kViewerLineMaxBytes) {
    std::vector<std::string> out;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::string_view rest = std::string_view(text).substr(pos);
        const LineBreak line =
            plain ? NextViewerLineByPrefix(rest, measurer) : NextViewerLine(rest, measurer, guess);
        EXPECT_GE(line.consumed, 1u);
        EXPECT_LE(line.shown, kViewerLineMaxBytes);
        out.push_back(std::string(rest.substr(0, line.shown)) + "|" +
                      std::to_string(line.consumed));
        pos += line.consumed;
    }
    return out;
}

const std::string kKanji = "漢";  // two bytes

TEST(ViewerLineBreak, EdgeCasesFollowThePlainRule) {
    const std::string a83(83, 'a');  // 498 pixels
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"CR LF ends a line", "ab\r\ncd", {"ab|4", "cd|2"}},
        {"empty line between", "ab\r\n\r\ncd", {"ab|4", "|2", "cd|2"}},
        {"trailing CR LF", "ab\r\n", {"ab|4"}},
        {"double-byte character at the 500-pixel edge moves whole",
         a83 + kKanji + "b",
         {a83 + "|83", kKanji + "b|3"}},
        {"a CR taken at the edge sends the character before it along",
         a83 + "\rb",
         {std::string(82, 'a') + "|82", "a\rb|3"}},
        {"lone lead byte at the end", "ab\x82", {"ab\x82|3"}},
        {"lead byte before CR LF stays alone", "a\x82\r\nb", {"a\x82|4", "b|1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMeasurer fast;
        FakeMeasurer plain;
        CharWidthCache cache;
        CachedWidthMeasurer cached(cache, fast);
        EXPECT_EQ(Lines(c.text, fast, false), c.lines);
        EXPECT_EQ(Lines(c.text, plain, true), c.lines);
        EXPECT_EQ(Lines(c.text, cached, false), c.lines) << "cached widths";
    }
}

TEST(ViewerLineBreak, OverWideCharacterAndTinyFontKeepEveryByte) {
    // One character wider than 500 pixels makes a line by itself.
    class Wide : public FakeMeasurer {
        int CharWidth(std::string_view ch) override { return ch == "W" ? 600 : 6; }
    } wide;
    EXPECT_EQ(Lines("aWb", wide, false), (std::vector<std::string>{"a|1", "W|1", "b|1"}));
    // With a font of one pixel a line ends at the buffer's 299 bytes; nothing
    // is dropped.
    class Tiny : public FakeMeasurer {
        int CharWidth(std::string_view) override { return 1; }
    } tiny;
    const std::string text(700, 'x');
    const std::vector<ViewerLine> lines = BreakViewerText(text, tiny);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].shown, 299);
    EXPECT_EQ(lines[1].start, 299u);
    EXPECT_EQ(lines[2].shown, 102);
}

TEST(ViewerLineBreak, FastSearchMatchesThePlainRuleOnRandomShiftJis) {
    const std::string pieces[] = {"a",        "Z",
                                  " ",        "\r\n",
                                  "\r",       "\n",
                                  "漢",       "字",
                                  "あ",       "い",  // one lead byte, two widths
                                  "ｶ",
                                  "\x81",  // lone lead byte
                                  "\x82\x0D", std::string(1, '\0')};
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        std::string text;
        const std::size_t length = random() % 1500;
        while (text.size() < length)
            text += pieces[random() % std::size(pieces)];
        RandomWidths fast(seed);
        RandomWidths plain(seed);
        const std::vector<std::string> expected = Lines(text, plain, true);
        ASSERT_EQ(Lines(text, fast, false), expected);
        ASSERT_EQ(Lines(text, fast, false, 1 + seed % 40), expected) << "a short guess";
        CharWidthCache cache;
        CachedWidthMeasurer cached(cache, fast);
        ASSERT_EQ(Lines(text, cached, false), expected) << "cached widths";
        ASSERT_EQ(Lines(text, cached, false, 1 + seed % 40), expected) << "cached, short guess";
    }
}

// Answers every fit from per-character sums and tells the prefix widths, as
// the platform's one-call search does.
class WidthsTold : public RandomWidths {
  public:
    using RandomWidths::RandomWidths;
    Fit FitPrefixes(std::string_view text, const std::size_t* ends, std::size_t count,
                    int maxWidth) override {
        widths_.clear();
        std::size_t fitting = count;
        for (std::size_t k = 0; k < count; ++k) {
            widths_.push_back(Measure(text.substr(0, ends[k])).cx);
            if (fitting == count && widths_.back() > maxWidth)
                fitting = k;
        }
        return {fitting, widths_.data()};
    }

  private:
    std::vector<int> widths_;
};

TEST(ViewerLineBreak, WidthsLearntOnTheWayAreTheShownTextsWidths) {
    const std::string pieces[] = {"a", "Z", "\r\n", "\r", "漢", "\x81", "ｶ"};
    for (unsigned seed = 1; seed <= 100; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        std::string text;
        while (text.size() < 800)
            text += pieces[random() % std::size(pieces)];
        WidthsTold told(seed);
        RandomWidths platform(seed);
        CharWidthCache cache;
        CachedWidthMeasurer cached(cache, platform);
        RandomWidths plain(seed);
        for (TextMeasurer* measurer :
             {static_cast<TextMeasurer*>(&told), static_cast<TextMeasurer*>(&cached)}) {
            const std::vector<ViewerLine> lines = BreakViewerText(text, *measurer);
            std::size_t known = 0;
            for (const ViewerLine& line : lines) {
                const std::string_view rest = std::string_view(text).substr(line.start);
                ASSERT_EQ(NextViewerLineByPrefix(rest, plain).consumed, line.consumed);
                if (line.width >= 0) {
                    ++known;
                    ASSERT_EQ(line.width, plain.Measure(rest.substr(0, line.shown)).cx);
                }
            }
            EXPECT_GT(known, lines.size() / 2);
        }
    }
}

TEST(ViewerLineBreak, LongSingleLineIsMeasuredInBoundedSteps) {
    std::string text;
    while (text.size() < (1u << 20))
        text += "あいうえおabcde";
    FakeMeasurer measurer;
    const std::vector<ViewerLine> lines = BreakViewerText(text, measurer);
    std::string joined;
    for (const ViewerLine& line : lines) {
        ASSERT_EQ(line.shown, line.consumed);
        joined.append(text, line.start, line.shown);
    }
    EXPECT_EQ(joined, text);
    // A bounded window per line, searched by halves: never the whole rest.
    EXPECT_LE(measurer.calls, lines.size() * 10);
    EXPECT_LE(measurer.measuredBytes, lines.size() * 10 * (kViewerLineMaxBytes + 1));
    // On cached widths: the same lines, and each of the ten characters is
    // measured once, not once per line.
    FakeMeasurer platform;
    CharWidthCache cache;
    CachedWidthMeasurer cached(cache, platform);
    const std::vector<ViewerLine> again = BreakViewerText(text, cached);
    ASSERT_EQ(again.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        ASSERT_EQ(again[i].consumed, lines[i].consumed) << i;
    EXPECT_EQ(platform.calls, 10u);
}

}  // namespace
}  // namespace pell
