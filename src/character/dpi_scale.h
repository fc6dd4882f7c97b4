#pragma once
// Sizes for the screen's dots per inch. The program's pictures and layouts
// are drawn for 96 DPI; fonts and spacings grow with the DPI, and the
// character's pixel pictures grow by whole numbers only, so that every
// picture pixel stays a sharp square.
#include <vector>

#include "character/frame_bits.h"

namespace pell {

inline constexpr int kBaseDpi = 96;

// A length laid out for 96 DPI at `dpi`, rounded to the nearest pixel. An
// unusable DPI (0 or less) leaves it as it is.
int ScaleForDpi(int value, int dpi);

// The character's whole-number scale: 1 up to 143 % (137 DPI), 2 up to 287 %
// (275 DPI), then 3.
int CharacterScaleForDpi(int dpi);

// The shape's runs at a whole-number scale, as nearest-neighbour scaling of
// the picture makes them: each pixel becomes a scale x scale square.
std::vector<RunRect> ScaleRuns(const std::vector<RunRect>& runs, int scale);

}  // namespace pell
