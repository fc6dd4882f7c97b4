// Frame headers and the window shape cut from a frame's pixels.
#include "character/frame_bits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace pell {
namespace {

// A picture as rows of characters, top row first: '.' is the key colour (also
// the bottom-left pixel unless the picture says otherwise), other letters are
// colours of their own.
using Picture = std::vector<std::string>;

unsigned char IndexOf(char c) {
    return c == '.' ? 7 : static_cast<unsigned char>(c);
}

// Stored bottom row first, padded rows, 8 or 24 bits.
std::string Encode(const Picture& picture, int bits) {
    const int width = static_cast<int>(picture[0].size());
    const std::size_t stride = RowStride(width, bits);
    std::string data;
    for (auto row = picture.rbegin(); row != picture.rend(); ++row) {
        std::string line;
        for (char c : *row) {
            if (bits == 8) {
                line += static_cast<char>(IndexOf(c));
            } else {
                line += static_cast<char>(IndexOf(c));  // blue
                line += static_cast<char>(c == '.' ? 0x80 : 0x10);
                line += static_cast<char>(0x40);
            }
        }
        line.resize(stride, '\0');
        data += line;
    }
    return data;
}

Picture Blank(int width, int height) {
    return Picture(height, std::string(width, '.'));
}

void Paint(Picture& p, int left, int top, int w, int h, char c = 'a') {
    for (int y = top; y < top + h; ++y) {
        for (int x = left; x < left + w; ++x)
            p[y][x] = c;
    }
}

// Every pixel covered by exactly the opaque ones.
std::vector<std::string> Coverage(const std::vector<RunRect>& runs, int width, int height) {
    std::vector<std::string> out(height, std::string(width, '.'));
    for (const RunRect& r : runs) {
        EXPECT_EQ(r.bottom, r.top + 1);
        for (int x = r.left; x < r.right; ++x)
            out[r.top][x] = '#';
    }
    return out;
}

std::vector<std::string> Expected(const Picture& p) {
    std::vector<std::string> out = p;
    for (auto& row : out) {
        for (char& c : row)
            c = c == '.' ? '.' : '#';
    }
    return out;
}

TEST(OpaqueRuns, BlockAtAnyCornerAndPaddedWidths) {
    struct Case {
        const char* name;
        int width;
        int left;
        int top;
    };
    const Case cases[] = {
        {"32 wide, block in the middle", 32, 11, 9},
        {"32 wide, block at the top-left corner", 32, 0, 0},
        {"30 wide, rows padded by 2", 30, 20, 28},
        {"33 wide, rows padded by 3", 33, 23, 5},
    };
    for (const Case& c : cases) {
        for (int bits : {8, 24}) {
            SCOPED_TRACE(std::string(c.name) + (bits == 8 ? ", 8 bits" : ", 24 bits"));
            Picture p = Blank(c.width, 32);
            Paint(p, c.left, c.top, 10, 4);
            const std::vector<RunRect> runs = OpaqueRuns(Encode(p, bits), c.width, 32, bits);
            EXPECT_EQ(runs.size(), 4u);
            EXPECT_EQ(Coverage(runs, c.width, 32), Expected(p));
            EXPECT_EQ(runs.front(), (RunRect{c.left, c.top + 3, c.left + 10, c.top + 4}));
        }
    }
}

TEST(OpaqueRuns, RunsSplitAtKeyPixelsAndReachTheRightEdge) {
    Picture p = Blank(33, 3);
    p[0] = "ab.cc............................";
    p[0].resize(33, '.');
    p[1] = std::string(32, '.') + "z";
    for (int bits : {8, 24}) {
        const auto runs = OpaqueRuns(Encode(p, bits), 33, 3, bits);
        EXPECT_EQ(Coverage(runs, 33, 3), Expected(p));
        EXPECT_EQ(runs.size(), 3u);
    }
}

TEST(OpaqueRuns, TheBottomLeftPixelDecidesTheKey) {
    Picture p = Blank(8, 4);
    Paint(p, 0, 3, 1, 1, 'k');  // bottom-left is 'k': 'k' is transparent everywhere
    Paint(p, 4, 0, 2, 2, 'k');
    const auto runs = OpaqueRuns(Encode(p, 8), 8, 4, 8);
    std::vector<std::string> expected(4, std::string(8, '#'));
    expected[3][0] = '.';
    expected[0][4] = expected[0][5] = expected[1][4] = expected[1][5] = '.';
    EXPECT_EQ(Coverage(runs, 8, 4), expected);
}

TEST(OpaqueRuns, EightBitPixelsCompareByIndexOnly) {
    // Another index is opaque even if its palette colour were the same.
    Picture p = Blank(4, 1);
    p[0][2] = static_cast<char>(8);
    const auto runs = OpaqueRuns(Encode(p, 8), 4, 1, 8);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], (RunRect{2, 0, 3, 1}));
}

TEST(OpaqueRuns, NothingForBadInput) {
    const std::string data = Encode(Blank(4, 4), 8);
    EXPECT_TRUE(OpaqueRuns(data, 4, 4, 8).empty());                // no opaque pixel
    EXPECT_TRUE(OpaqueRuns(data, 4, 0, 8).empty());                // no row
    EXPECT_TRUE(OpaqueRuns(data, 4, 4, 16).empty());               // depth
    EXPECT_TRUE(OpaqueRuns(data.substr(0, 12), 4, 4, 8).empty());  // short data
    EXPECT_TRUE(OpaqueRuns(data, 1 << 30, 1 << 30, 24).empty());
}

TEST(OpaqueRuns, TopDownRowsUseTheLastStoredRowForTheKey) {
    Picture p = Blank(4, 2);
    p[0] = "aa..";
    std::string data = Encode(p, 8);
    // Stored top row first for a negative height.
    const std::string topDown = data.substr(4, 4) + data.substr(0, 4);
    EXPECT_EQ(Coverage(OpaqueRuns(topDown, 4, -2, 8), 4, 2), Expected(p));
}

std::string Header(int width, int height, int bits, int compression, int used = 0) {
    std::string h(40, '\0');
    auto put = [&h](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            h[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(0, 40, 4);
    put(4, static_cast<std::uint32_t>(width), 4);
    put(8, static_cast<std::uint32_t>(height), 4);
    put(12, 1, 2);
    put(14, static_cast<std::uint32_t>(bits), 2);
    put(16, static_cast<std::uint32_t>(compression), 4);
    put(32, static_cast<std::uint32_t>(used), 4);
    return h;
}

TEST(ParseFrameHeader, Table) {
    struct Case {
        const char* name;
        std::string data;
        bool parsed;
        int width;
        int height;
        std::optional<std::size_t> offset;
    };
    const std::string pixels8(32 * 32, '\0');
    const std::string pixels24(RowStride(30, 24) * 2, '\0');
    const Case cases[] = {
        {"8 bits, full colour table", Header(32, 32, 8, 0) + std::string(1024, 'p') + pixels8, true,
         32, 32, 40 + 1024},
        {"8 bits, 16 colours used", Header(32, 32, 8, 0, 16) + std::string(64, 'p') + pixels8, true,
         32, 32, 40 + 64},
        {"24 bits", Header(30, 2, 24, 0) + pixels24, true, 30, 2, 40},
        {"compressed", Header(32, 32, 8, 1) + std::string(2000, 'x'), true, 32, 32, std::nullopt},
        {"4 bits", Header(32, 32, 4, 0) + std::string(2000, 'x'), true, 32, 32, std::nullopt},
        {"pixels cut short", Header(32, 32, 8, 0) + std::string(1024 + 100, 'x'), true, 32, 32,
         std::nullopt},
        {"huge size", Header(0x7FFFFFFF, 0x7FFFFFFF, 24, 0) + std::string(64, 'x'), true,
         0x7FFFFFFF, 0x7FFFFFFF, std::nullopt},
        {"short header", std::string(20, '\x28'), false, 0, 0, std::nullopt},
        {"empty", std::string(), false, 0, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto header = ParseFrameHeader(c.data);
        ASSERT_EQ(header.has_value(), c.parsed);
        if (!header)
            continue;
        EXPECT_EQ(header->width, c.width);
        EXPECT_EQ(header->height, c.height);
        EXPECT_EQ(header->pixelOffset, c.offset);
    }
}

}  // namespace
}  // namespace pell
