#pragma once
// The pixels of a frame bitmap and the shape cut out of them: every pixel of
// the key colour (the bottom-left pixel) is transparent, all others belong to
// the window.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace pell {

struct FrameHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;  // negative: rows stored top row first
    std::uint16_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    // Where the pixels start; empty when there are none this program can use
    // (compressed, a depth other than 8 or 24, or data too short).
    std::optional<std::size_t> pixelOffset;
};

// Reads a bitmap resource (an information header, a colour table for 8 bits,
// then the pixels). Width and height are reported whenever the header is whole;
// pixels only when they lie wholly inside the data.
std::optional<FrameHeader> ParseFrameHeader(std::string_view resource);

// Bytes of one stored row: width pixels padded to a multiple of 4.
std::size_t RowStride(std::int64_t width, int bitsPerPixel);

struct RunRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const RunRect& other) const {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
};

// The opaque runs of every row as rectangles in window coordinates (y = 0 at
// the top). Empty when there is no opaque pixel, no row, an unsupported depth
// or too little data. A negative height means rows stored top first.
std::vector<RunRect> OpaqueRuns(std::string_view pixels, std::int32_t width, std::int32_t height,
                                int bitsPerPixel);

}  // namespace pell
