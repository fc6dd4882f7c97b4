#include "character/dpi_scale.h"

#include <climits>

namespace pell {

int ScaleForDpi(int value, int dpi) {
    if (dpi <= 0 || dpi == kBaseDpi)
        return value;
    const long long scaled = static_cast<long long>(value) * dpi;
    const long long rounded =
        scaled >= 0 ? (scaled + kBaseDpi / 2) / kBaseDpi : (scaled - kBaseDpi / 2) / kBaseDpi;
    if (rounded > INT_MAX)
        return INT_MAX;
    return rounded < INT_MIN ? INT_MIN : static_cast<int>(rounded);
}

int CharacterScaleForDpi(int dpi) {
    // Percentages of 96 DPI, compared without rounding: 143 % is 137.28 DPI.
    const long long percent100 = static_cast<long long>(dpi) * 100;
    if (percent100 <= 143LL * kBaseDpi)
        return 1;
    if (percent100 <= 287LL * kBaseDpi)
        return 2;
    return 3;
}

std::vector<RunRect> ScaleRuns(const std::vector<RunRect>& runs, int scale) {
    if (scale <= 1)
        return runs;
    std::vector<RunRect> scaled;
    scaled.reserve(runs.size());
    for (const RunRect& run : runs) {
        scaled.push_back(
            {run.left * scale, run.top * scale, run.right * scale, run.bottom * scale});
    }
    return scaled;
}

}  // namespace pell
