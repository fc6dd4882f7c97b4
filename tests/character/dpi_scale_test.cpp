// Sizes for the screen's DPI: the character's whole-number scale, its shape
// at that scale, and the lengths of the pop-ups.
#include "character/dpi_scale.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace pell {
namespace {

TEST(DpiScale, CharacterScaleAndLengths) {
    // 1x up to 143 % (137 DPI), 2x up to 287 % (275 DPI), then 3x; a DPI the
    // system could not tell is 1x.
    const int dpis[] = {96, 137, 138, 192, 275, 276, 480, 0, -96};
    const int scales[] = {1, 1, 2, 2, 2, 3, 3, 1, 1};
    for (std::size_t i = 0; i < std::size(dpis); ++i)
        EXPECT_EQ(CharacterScaleForDpi(dpis[i]), scales[i]) << dpis[i];
    // Lengths round to the nearest pixel: 6.25 to 6, 4.5 up to 5.
    const struct {
        int value, dpi, scaled;
    } lengths[] = {{12, 96, 12},
                   {12, 120, 15},
                   {12, 192, 24},
                   {5, 120, 6},
                   {3, 144, 5},
                   {11, 0, 11},
                   {2000000000, 192, 2147483647}};
    for (const auto& c : lengths)
        EXPECT_EQ(ScaleForDpi(c.value, c.dpi), c.scaled) << c.value << " at " << c.dpi;
}

// The picture's pixels, each opaque one as a scale x scale square, against
// the area the scaled runs cover.
std::vector<std::string> Covered(const std::vector<RunRect>& runs, int width, int height) {
    std::vector<std::string> out(height, std::string(width, '.'));
    for (const RunRect& r : runs) {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                EXPECT_EQ(out[y][x], '.') << "covered twice at " << x << "," << y;
                out[y][x] = '#';
            }
        }
    }
    return out;
}

TEST(DpiScale, ScaledShapeIsTheNearestNeighbourPicture) {
    // Runs of a picture 5 wide, 3 high: a block touching the top-left corner,
    // single pixels and a run reaching the right edge.
    const std::vector<std::string> picture = {"##.#.", ".####", "#...#"};
    std::vector<RunRect> runs;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            if (picture[y][x] == '#')
                runs.push_back({x, y, x + 1, y + 1});
        }
    }
    for (int scale : {1, 2, 3}) {
        SCOPED_TRACE(scale);
        std::vector<std::string> expected;
        for (const std::string& row : picture) {
            std::string wide;
            for (char c : row)
                wide += std::string(scale, c);
            for (int i = 0; i < scale; ++i)
                expected.push_back(wide);
        }
        EXPECT_EQ(Covered(ScaleRuns(runs, scale), 5 * scale, 3 * scale), expected);
    }
    EXPECT_EQ(ScaleRuns(runs, 0), runs);
}

}  // namespace
}  // namespace pell
