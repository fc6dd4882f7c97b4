#include "character/frame_bits.h"

#include <cstring>

namespace pell {
namespace {

constexpr std::size_t kInfoHeaderMinimum = 40;  // BITMAPINFOHEADER
constexpr std::size_t kCoreHeaderSize = 12;     // BITMAPCOREHEADER (no compression field)

std::uint32_t ReadU32(std::string_view data, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(data[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

std::uint16_t ReadU16(std::string_view data, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(data[at]) |
                                      (static_cast<unsigned char>(data[at + 1]) << 8));
}

std::int64_t Magnitude(std::int32_t value) {
    return value < 0 ? -static_cast<std::int64_t>(value) : value;
}

}  // namespace

std::size_t RowStride(std::int64_t width, int bitsPerPixel) {
    const std::int64_t bytes = (width * bitsPerPixel + 7) / 8;
    return static_cast<std::size_t>((bytes + 3) / 4 * 4);
}

std::optional<FrameHeader> ParseFrameHeader(std::string_view resource) {
    if (resource.size() < 4)
        return std::nullopt;
    const std::uint32_t headerSize = ReadU32(resource, 0);
    FrameHeader header;
    if (headerSize == kCoreHeaderSize && resource.size() >= kCoreHeaderSize) {
        // The old core header: 16-bit sizes and no compression field.
        header.width = ReadU16(resource, 4);
        header.height = ReadU16(resource, 6);
        header.bitsPerPixel = ReadU16(resource, 10);
        return header;  // its colour table has 3-byte entries: not used for shapes
    }
    if (headerSize < kInfoHeaderMinimum || resource.size() < kInfoHeaderMinimum) {
        return std::nullopt;
    }
    header.width = static_cast<std::int32_t>(ReadU32(resource, 4));
    header.height = static_cast<std::int32_t>(ReadU32(resource, 8));
    header.bitsPerPixel = ReadU16(resource, 14);
    header.compression = ReadU32(resource, 16);
    if (header.compression != 0)
        return header;
    std::size_t offset = headerSize;
    if (header.bitsPerPixel == 8) {
        // The colour table holds the used colours, 256 when none are named.
        const std::uint32_t used = ReadU32(resource, 32);
        offset += 4u * ((used >= 1 && used <= 256) ? used : 256u);
    } else if (header.bitsPerPixel != 24) {
        return header;
    }
    if (header.width <= 0 || offset > resource.size())
        return header;
    const std::int64_t rows = Magnitude(header.height);
    const std::size_t stride = RowStride(header.width, header.bitsPerPixel);
    const std::size_t available = resource.size() - offset;
    if (stride != 0 && static_cast<std::uint64_t>(rows) > available / stride)
        return header;
    header.pixelOffset = offset;
    return header;
}

std::vector<RunRect> OpaqueRuns(std::string_view pixels, std::int32_t width, std::int32_t height,
                                int bitsPerPixel) {
    std::vector<RunRect> runs;
    if (bitsPerPixel != 8 && bitsPerPixel != 24)
        return runs;
    if (width <= 0 || height == 0)
        return runs;
    const std::size_t bytesPerPixel = bitsPerPixel == 8 ? 1 : 3;
    const std::int64_t rows = Magnitude(height);
    const std::size_t stride = RowStride(width, bitsPerPixel);
    if (static_cast<std::uint64_t>(rows) > pixels.size() / stride)
        return runs;
    const bool bottomUp = height > 0;

    // The key is the bottom-left pixel: the first of the data when the rows
    // are stored bottom first, the first of the last row otherwise.
    const std::size_t bottomRow = bottomUp ? 0 : static_cast<std::size_t>(rows - 1);
    const std::string_view key = pixels.substr(bottomRow * stride, bytesPerPixel);
    for (std::int64_t r = 0; r < rows; ++r) {
        const std::string_view row = pixels.substr(static_cast<std::size_t>(r) * stride, stride);
        const int y = static_cast<int>(bottomUp ? rows - 1 - r : r);
        int runStart = -1;
        for (int x = 0; x <= width; ++x) {
            bool opaque = false;
            if (x < width) {
                opaque = std::memcmp(row.data() + static_cast<std::size_t>(x) * bytesPerPixel,
                                     key.data(), bytesPerPixel) != 0;
            }
            if (opaque && runStart < 0)
                runStart = x;
            if (!opaque && runStart >= 0) {
                runs.push_back(RunRect{runStart, y, x, y + 1});
                runStart = -1;
            }
        }
    }
    return runs;
}

}  // namespace pell
