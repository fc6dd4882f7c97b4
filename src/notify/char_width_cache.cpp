#include "notify/char_width_cache.h"

#include <algorithm>

namespace pell {
namespace {

// A width no font has; keeps the sums of a 299-byte line far from overflow.
constexpr int kMaxCharWidth = 1 << 20;

}  // namespace

CharWidthCache::CharWidthCache() {
    single_.fill(kUnknown);
}

int CharWidthCache::Learn(std::string_view ch, int* slot, TextMeasurer& platform) {
    const bool pair = ch.size() == 2 && IsShiftJisLead(static_cast<unsigned char>(ch[0])) &&
                      IsShiftJisTrail(static_cast<unsigned char>(ch[1]));
    if (!slot && pair && pairs_.empty()) {
        pairs_.assign(kLeads * kTrails, kUnknown);
        slot = Slot(ch);
    }
    const int width = std::clamp(platform.Measure(ch).cx, 0, kMaxCharWidth);
    if (slot)
        *slot = width;
    return width;
}

TextMeasurer::Fit CachedWidthMeasurer::FitPrefixes(std::string_view text, const std::size_t* ends,
                                                   std::size_t count, int maxWidth) {
    if (widths_.size() < count)
        widths_.resize(count);
    int width = 0;
    std::size_t start = 0;
    for (std::size_t k = 0; k < count; ++k) {
        width += cache_.Width(text.substr(start, ends[k] - start), platform_);
        widths_[k] = width;
        if (width > maxWidth)
            return {k, widths_.data()};
        start = ends[k];
    }
    return {count, widths_.data()};
}

}  // namespace pell
