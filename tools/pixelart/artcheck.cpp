// artcheck: checks generated frames and icons the way the program reads them,
// independently of the generator that wrote them.
//
//   artcheck frame FILE.bmp...   32 x 32, 8 bits, uncompressed, 256 colours,
//                                light blue-violet key in the bottom-left pixel,
//                                no other used index with the key's colour,
//                                a character of opaque pixels
//   artcheck icon FILE.ico...    one 32 x 32 image with 16 colours, black
//                                under the transparent mask, some opaque pixels
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}

unsigned Get16(const Bytes& b, std::size_t at) {
    return b[at] | static_cast<unsigned>(b[at + 1]) << 8;
}

bool Fail(const std::string& file, const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", file.c_str(), why.c_str());
    return false;
}

bool ReadFile(const std::string& path, Bytes* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Checks a bitmap information header of a 32-pixel-wide image.
bool CheckInfoHeader(const std::string& file, const Bytes& b, std::size_t at, int height,
                     unsigned bits) {
    if (Get32(b, at) != 40)
        return Fail(file, "info header is not 40 bytes");
    if (Get32(b, at + 4) != 32)
        return Fail(file, "width is not 32");
    if (static_cast<int>(Get32(b, at + 8)) != height) {
        return Fail(file, "height is not " + std::to_string(height));
    }
    if (Get16(b, at + 12) != 1)
        return Fail(file, "planes is not 1");
    if (Get16(b, at + 14) != bits)
        return Fail(file, "bits per pixel is not " + std::to_string(bits));
    if (Get32(b, at + 16) != 0)
        return Fail(file, "compressed");
    return true;
}

bool IsLightBlueViolet(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return b >= 0xE0 && r >= 0x90 && g >= 0x90 && b > r && b > g && r >= g;
}

bool CheckFrame(const std::string& file) {
    Bytes b;
    if (!ReadFile(file, &b))
        return Fail(file, "cannot read");
    const std::size_t colours_at = 14 + 40;
    const std::size_t pixels_at = colours_at + 256 * 4;
    if (b.size() != pixels_at + 32 * 32) {
        return Fail(file,
                    "size " + std::to_string(b.size()) + " is not that of a 32 x 32 8-bit bitmap");
    }
    if (b[0] != 'B' || b[1] != 'M')
        return Fail(file, "no BM signature");
    if (Get32(b, 2) != b.size())
        return Fail(file, "file size field is wrong");
    if (Get32(b, 10) != pixels_at)
        return Fail(file, "pixels do not follow a 256-entry colour table");
    if (!CheckInfoHeader(file, b, 14, 32, 8))
        return false;
    const std::uint32_t used = Get32(b, 14 + 32);
    if (used != 0 && used != 256)
        return Fail(file, "colour table is not 256 entries");

    auto colour = [&](std::uint8_t index) {
        const std::size_t at = colours_at + index * 4u;
        return std::vector<std::uint8_t>{b[at + 2], b[at + 1], b[at]};
    };
    const std::uint8_t key = b[pixels_at];  // bottom-left pixel
    const auto key_rgb = colour(key);
    if (!IsLightBlueViolet(key_rgb[0], key_rgb[1], key_rgb[2])) {
        return Fail(file, "the bottom-left pixel is not light blue-violet");
    }
    int opaque = 0;
    for (std::size_t i = pixels_at; i < b.size(); ++i) {
        if (b[i] == key)
            continue;
        ++opaque;
        if (colour(b[i]) == key_rgb) {
            return Fail(file, "index " + std::to_string(b[i]) +
                                  " has the key colour but would be drawn opaque");
        }
    }
    if (opaque < 32 * 32 / 4)
        return Fail(file, "fewer than a quarter of the pixels are opaque");
    return true;
}

bool CheckIcon(const std::string& file) {
    Bytes b;
    if (!ReadFile(file, &b))
        return Fail(file, "cannot read");
    const std::size_t image_at = 6 + 16;
    const std::size_t colours_at = image_at + 40;
    const std::size_t xor_at = colours_at + 16 * 4;
    const std::size_t and_at = xor_at + 32 * 16;
    if (b.size() != and_at + 32 * 4)
        return Fail(file, "size is not that of one 32 x 32 16-colour icon");
    if (Get16(b, 0) != 0 || Get16(b, 2) != 1 || Get16(b, 4) != 1)
        return Fail(file, "not an icon with one image");
    if (b[6] != 32 || b[7] != 32 || b[8] != 16)
        return Fail(file, "directory entry is not 32 x 32 with 16 colours");
    if (Get16(b, 10) != 1 || Get16(b, 12) != 4)
        return Fail(file, "directory entry is not 4 bits per pixel");
    if (Get32(b, 14) != b.size() - image_at || Get32(b, 18) != image_at) {
        return Fail(file, "directory entry size or offset is wrong");
    }
    if (!CheckInfoHeader(file, b, image_at, 64, 4))
        return false;
    int opaque = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool transparent = (b[and_at + y * 4 + x / 8] & (0x80 >> (x % 8))) != 0;
            const std::uint8_t pair = b[xor_at + y * 16 + x / 2];
            const int index = x % 2 == 0 ? pair >> 4 : pair & 0x0F;
            if (!transparent) {
                ++opaque;
                continue;
            }
            const std::size_t at = colours_at + index * 4u;
            if (b[at] != 0 || b[at + 1] != 0 || b[at + 2] != 0) {
                return Fail(file, "a transparent pixel is not black and would tint the desktop");
            }
        }
    }
    if (opaque < 32 * 32 / 4)
        return Fail(file, "fewer than a quarter of the pixels are opaque");
    if (opaque == 32 * 32)
        return Fail(file, "no transparent pixels");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || (std::string(argv[1]) != "frame" && std::string(argv[1]) != "icon")) {
        std::fprintf(stderr, "usage: artcheck frame|icon FILE...\n");
        return 2;
    }
    const bool frames = std::string(argv[1]) == "frame";
    int failures = 0;
    for (int i = 2; i < argc; ++i) {
        if (!(frames ? CheckFrame(argv[i]) : CheckIcon(argv[i])))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
