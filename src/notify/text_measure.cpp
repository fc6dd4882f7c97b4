#include "notify/text_measure.h"

namespace pell {

TextMeasurer::Fit TextMeasurer::FitPrefixes(std::string_view text, const std::size_t* ends,
                                            std::size_t count, int maxWidth) {
    // The answer lies in [low, high]: prefix low fits (0 always does), prefix
    // high + 1 does not (or does not exist).
    std::size_t low = 0;
    std::size_t high = count;
    while (low < high) {
        const std::size_t mid = low + (high - low + 1) / 2;
        if (Measure(text.substr(0, ends[mid - 1])).cx <= maxWidth) {
            low = mid;
        } else {
            high = mid - 1;
        }
    }
    return {low, nullptr};
}

}  // namespace pell
