#pragma once
// The widths of single characters of one font, learnt from the platform on
// first use, and a measurer that finds where a line must break from their
// sums: a long text then costs one platform call per distinct character
// instead of one per line. The pop-up fonts do not kern, so a line is as wide
// as its characters; shown lines are still measured by the platform, so a
// font that differs never clips text.
#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "notify/text_measure.h"

namespace pell {

class CharWidthCache {
  public:
    CharWidthCache();

    // The width of one character (one byte, or a lead byte and its trail byte
    // as NextCharEnd cuts them), measured by `platform` the first time.
    // Inline: asked once per character of long texts.
    int Width(std::string_view ch, TextMeasurer& platform) {
        int* slot = Slot(ch);
        return slot && *slot != kUnknown ? *slot : Learn(ch, slot, platform);
    }

  private:
    static constexpr int kUnknown = -1;
    // Lead bytes 0x81-0x9F and 0xE0-0xFC, trail bytes 0x40-0xFC.
    static constexpr std::size_t kTrails = 0xFC - 0x40 + 1;
    static constexpr std::size_t kLeads = 0x9F - 0x81 + 1 + 0xFC - 0xE0 + 1;

    // Where the width of `ch` is kept; null for a text that is no single
    // character, or a pair before the first pair was learnt.
    int* Slot(std::string_view ch) {
        if (ch.size() == 1)
            return &single_[static_cast<unsigned char>(ch[0])];
        if (ch.size() != 2 || pairs_.empty())
            return nullptr;
        const auto first = static_cast<unsigned char>(ch[0]);
        const auto second = static_cast<unsigned char>(ch[1]);
        if (!IsShiftJisLead(first) || !IsShiftJisTrail(second))
            return nullptr;
        const std::size_t row = first <= 0x9F ? first - 0x81u : first - 0xE0u + (0x9F - 0x81 + 1);
        return &pairs_[row * kTrails + (second - 0x40u)];
    }
    int Learn(std::string_view ch, int* slot, TextMeasurer& platform);

    std::array<int, 256> single_;
    std::vector<int> pairs_;  // by lead and trail byte; made with the first pair
};

class CachedWidthMeasurer final : public TextMeasurer {
  public:
    CachedWidthMeasurer(CharWidthCache& cache, TextMeasurer& platform)
        : cache_(cache), platform_(platform) {}

    // Whole texts are the platform's: what is drawn is measured as drawn.
    TextSize Measure(std::string_view text) override { return platform_.Measure(text); }
    // Sums of the characters' widths, up to the first prefix that does not fit.
    Fit FitPrefixes(std::string_view text, const std::size_t* ends, std::size_t count,
                    int maxWidth) override;

  private:
    CharWidthCache& cache_;
    TextMeasurer& platform_;
    std::vector<int> widths_;
};

}  // namespace pell
