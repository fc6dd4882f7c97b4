// artcheck: checks generated frames and icons the way the program reads them,
// independently of the generator that wrote them.
//
//   artcheck frame FILE.bmp...   32 x 32, 8 bits, uncompressed, 256 colours,
//                                light blue-violet key in the bottom-left pixel,
//                                no other used index with the key's colour,
//                                a character of opaque pixels
//   artcheck icon [--sizes 16,32,48] FILE.ico...
//                                images of 16, 32 or 48 pixels with 16 colours,
//                                black under the transparent mask, some
//                                opaque pixels; with --sizes exactly one image
//                                of each size named
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
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

// Checks a bitmap information header of an image `width` pixels wide.
bool CheckInfoHeader(const std::string& file, const Bytes& b, std::size_t at, int width, int height,
                     unsigned bits) {
    if (Get32(b, at) != 40)
        return Fail(file, "info header is not 40 bytes");
    if (Get32(b, at + 4) != static_cast<std::uint32_t>(width))
        return Fail(file, "width is not " + std::to_string(width));
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
    if (!CheckInfoHeader(file, b, 14, 32, 32, 8))
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

// One image of an icon: `side` x `side`, 4 bits, its colours, the colour
// image and the mask at `at` (the directory entry says how many bytes).
bool CheckIconImage(const std::string& file, const Bytes& b, std::size_t at, int side) {
    const std::size_t colours_at = at + 40;
    const std::size_t xor_row = static_cast<std::size_t>((side * 4 + 31) / 32 * 4);
    const std::size_t and_row = static_cast<std::size_t>((side + 31) / 32 * 4);
    const std::size_t xor_at = colours_at + 16 * 4;
    const std::size_t and_at = xor_at + xor_row * static_cast<std::size_t>(side);
    if (and_at + and_row * static_cast<std::size_t>(side) > b.size())
        return Fail(file, "image data runs past the end");
    if (!CheckInfoHeader(file, b, at, side, side * 2, 4))
        return false;
    int opaque = 0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool transparent = (b[and_at + y * and_row + x / 8] & (0x80 >> (x % 8))) != 0;
            const std::uint8_t pair = b[xor_at + y * xor_row + x / 2];
            const int index = x % 2 == 0 ? pair >> 4 : pair & 0x0F;
            if (!transparent) {
                ++opaque;
                continue;
            }
            const std::size_t colour = colours_at + index * 4u;
            if (b[colour] != 0 || b[colour + 1] != 0 || b[colour + 2] != 0) {
                return Fail(file, "a transparent pixel is not black and would tint the desktop");
            }
        }
    }
    if (opaque < side * side / 4)
        return Fail(file, "fewer than a quarter of the pixels are opaque");
    if (opaque == side * side)
        return Fail(file, "no transparent pixels");
    return true;
}

bool CheckIcon(const std::string& file, const std::set<int>& sizes) {
    Bytes b;
    if (!ReadFile(file, &b))
        return Fail(file, "cannot read");
    if (b.size() < 6 || Get16(b, 0) != 0 || Get16(b, 2) != 1 || Get16(b, 4) < 1)
        return Fail(file, "not an icon");
    const unsigned count = Get16(b, 4);
    if (b.size() < 6 + 16u * count)
        return Fail(file, "directory runs past the end");
    std::set<int> found;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 16u * i;
        const int side = b[entry];
        if ((side != 16 && side != 32 && side != 48) || b[entry + 1] != side)
            return Fail(file, "an image is not 16, 32 or 48 pixels square");
        if (b[entry + 2] != 16 || Get16(b, entry + 4) != 1 || Get16(b, entry + 6) != 4)
            return Fail(file, "an image is not 16 colours at 4 bits per pixel");
        const std::uint32_t bytes = Get32(b, entry + 8);
        const std::uint32_t at = Get32(b, entry + 12);
        if (at < 6 + 16u * count || at > b.size() || bytes > b.size() - at)
            return Fail(file, "directory entry size or offset is wrong");
        if (!found.insert(side).second)
            return Fail(file, "two images of the same size");
        if (!CheckIconImage(file, b, at, side))
            return false;
    }
    if (!sizes.empty() && found != sizes)
        return Fail(file, "the image sizes are not the ones asked for");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || (std::string(argv[1]) != "frame" && std::string(argv[1]) != "icon")) {
        std::fprintf(stderr,
                     "usage: artcheck frame FILE...\n"
                     "       artcheck icon [--sizes 16,32,48] FILE...\n");
        return 2;
    }
    const bool frames = std::string(argv[1]) == "frame";
    int first = 2;
    std::set<int> sizes;
    if (!frames && argc > 3 && std::string(argv[2]) == "--sizes") {
        std::istringstream list(argv[3]);
        std::string size;
        while (std::getline(list, size, ','))
            sizes.insert(std::atoi(size.c_str()));
        first = 4;
    }
    int failures = 0;
    for (int i = first; i < argc; ++i) {
        if (!(frames ? CheckFrame(argv[i]) : CheckIcon(argv[i], sizes)))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
