// Sizes for the screen's DPI: the character's whole-number scale, its shape
// at that scale, and the lengths of the pop-ups.
#include "character/dpi_scale.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pell {
namespace {

TEST(DpiScale, CharacterScaleSteps) {
    const struct {
        int dpi;
        int scale;
    } cases[] = {
        {96, 1},  {120, 1}, {137, 1},            // up to 143 %
        {138, 2}, {144, 2}, {192, 2}, {275, 2},  // up to 287 %
        {276, 3}, {288, 3}, {480, 3}, {2000, 3},
        {0, 1},   {-96, 1},  // a DPI the system could not tell
    };
    for (const auto& c : cases)
        EXPECT_EQ(CharacterScaleForDpi(c.dpi), c.scale) << c.dpi;
}

TEST(DpiScale, LengthsRoundToTheNearestPixel) {
    const struct {
        int value, dpi, scaled;
    } cases[] = {
        {12, 96, 12},    {12, 120, 15},
        {12, 144, 18},   {12, 192, 24},
        {500, 144, 750}, {5, 120, 6},  // 6.25
        {3, 144, 5},                   // 4.5 rounds up
        {11, 0, 11},     {2000000000, 192, 2147483647},
    };
    for (const auto& c : cases)
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
