// pixelart: turns a text picture (named colours plus a pixel map, one character
// per pixel) into the bitmap and icon files that the program's resources embed.
//
//   pixelart bmp PICTURE.txt OUT.bmp   8-bit bitmap, 256-entry colour table
//   pixelart ico PICTURE.txt OUT.ico [MORE.txt...]
//                                      16-colour icon with transparency mask;
//                                      each further picture adds an image of
//                                      its own size (16, 32, 48 pixels...)
//
// Picture text, one statement per line ('#' starts a comment):
//   key    C RRGGBB [name]   the transparent background colour, drawn with C
//   colour C RRGGBB [name]   a colour drawn with character C
//   include FILE             reads FILE (relative to this file) in place
//   map                      the following lines up to "end" are the pixel rows,
//   ...                      top row first, one character per pixel
//   end
// A colour declared again keeps its place but takes the new value, so a file
// can include another picture and recolour it (that is how skins are made).
//
// The key colour always gets colour-table index 0, and the bottom-left pixel
// must be the key: the program takes that pixel's index as the transparent one
// and compares indexes only, so no other colour may share the key's value.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace pell::pixelart {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// A finished picture: palette[0] is the key colour; pixels are palette
// indexes, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> pixels;
    std::uint8_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

inline constexpr int kMaxSide = 256;
inline constexpr int kMaxIncludeDepth = 8;
inline constexpr std::size_t kMaxFileBytes = 1 << 20;

namespace detail {

struct ColourDecl {
    char symbol = 0;
    Rgb rgb;
};

struct Draft {
    std::vector<ColourDecl> colours;  // in order of first declaration
    char key = 0;
    bool has_key = false;
    std::vector<std::string> rows;
    bool has_map = false;
};

inline bool ParseRgb(const std::string& text, Rgb* out) {
    if (text.size() != 6)
        return false;
    unsigned value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    out->r = static_cast<std::uint8_t>(value >> 16);
    out->g = static_cast<std::uint8_t>(value >> 8);
    out->b = static_cast<std::uint8_t>(value);
    return true;
}

inline std::string StripComment(const std::string& line) {
    std::string text = line.substr(0, line.find('#'));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

inline std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

inline bool ReadWholeFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *text = buffer.str();
    return text->size() <= kMaxFileBytes;
}

inline void Declare(Draft* draft, char symbol, Rgb rgb) {
    for (auto& decl : draft->colours) {
        if (decl.symbol == symbol) {
            decl.rgb = rgb;
            return;
        }
    }
    draft->colours.push_back({symbol, rgb});
}

inline bool ParseText(const std::string& text, const std::string& path, int depth, Draft* draft,
                      std::string* error);

inline bool ParseFile(const std::string& path, int depth, Draft* draft, std::string* error) {
    if (depth > kMaxIncludeDepth) {
        *error = path + ": includes nested too deeply";
        return false;
    }
    std::string text;
    if (!ReadWholeFile(path, &text)) {
        *error = path + ": cannot read (missing or larger than 1 MB)";
        return false;
    }
    return ParseText(text, path, depth, draft, error);
}

inline bool ParseText(const std::string& text, const std::string& path, int depth, Draft* draft,
                      std::string* error) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    bool in_map = false;
    auto fail = [&](const std::string& why) {
        *error = path + ":" + std::to_string(number) + ": " + why;
        return false;
    };
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (in_map) {
            if (StripComment(line) == "end") {
                in_map = false;
                continue;
            }
            if (line.empty())
                return fail("empty map row");
            for (char c : line) {
                if (c <= ' ' || c > '~')
                    return fail("map rows hold printable characters only");
            }
            draft->rows.push_back(line);
            continue;
        }
        std::istringstream words(StripComment(line));
        std::string word;
        if (!(words >> word))
            continue;
        if (word == "map") {
            if (draft->has_map)
                return fail("a second map");
            draft->has_map = true;
            in_map = true;
        } else if (word == "include") {
            std::string name;
            if (!(words >> name))
                return fail("include needs a file name");
            if (!ParseFile(DirectoryOf(path) + name, depth + 1, draft, error))
                return false;
        } else if (word == "key" || word == "colour" || word == "color") {
            std::string symbol;
            std::string hex;
            Rgb rgb;
            if (!(words >> symbol >> hex) || symbol.size() != 1 || symbol[0] <= ' ' ||
                symbol[0] > '~') {
                return fail(word + " needs one printable character and RRGGBB");
            }
            if (!ParseRgb(hex, &rgb))
                return fail("colour value must be RRGGBB: " + hex);
            Declare(draft, symbol[0], rgb);
            if (word == "key") {
                draft->key = symbol[0];
                draft->has_key = true;
            }
        } else {
            return fail("unknown statement: " + word);
        }
    }
    if (in_map)
        return fail("map without end");
    return true;
}

}  // namespace detail

// Turns a draft into a picture, checking everything the encoders and the
// program rely on.
inline bool Finish(const detail::Draft& draft, Picture* picture, std::string* error) {
    if (!draft.has_key) {
        *error = "no key colour";
        return false;
    }
    if (!draft.has_map || draft.rows.empty()) {
        *error = "no map";
        return false;
    }
    const std::size_t width = draft.rows.front().size();
    const std::size_t height = draft.rows.size();
    if (width > kMaxSide || height > kMaxSide) {
        *error = "picture larger than 256 x 256";
        return false;
    }
    for (std::size_t y = 0; y < height; ++y) {
        if (draft.rows[y].size() != width) {
            *error = "map row " + std::to_string(y + 1) + " has " +
                     std::to_string(draft.rows[y].size()) + " pixels, the first has " +
                     std::to_string(width);
            return false;
        }
    }
    if (draft.rows.back().front() != draft.key) {
        *error = "the bottom-left pixel must be the key colour";
        return false;
    }
    // Index 0 is the key; the other colours follow in declaration order, only
    // those the map uses.
    std::map<char, std::uint8_t> index_of;
    Rgb key_rgb;
    for (const auto& decl : draft.colours) {
        if (decl.symbol == draft.key)
            key_rgb = decl.rgb;
    }
    picture->palette.assign(1, key_rgb);
    index_of[draft.key] = 0;
    for (const auto& decl : draft.colours) {
        if (decl.symbol == draft.key)
            continue;
        bool used = false;
        for (const auto& row : draft.rows)
            used = used || row.find(decl.symbol) != std::string::npos;
        if (!used)
            continue;
        if (decl.rgb == key_rgb) {
            *error = std::string("colour '") + decl.symbol + "' has the key colour's value";
            return false;
        }
        index_of[decl.symbol] = static_cast<std::uint8_t>(picture->palette.size());
        picture->palette.push_back(decl.rgb);
    }
    picture->width = static_cast<int>(width);
    picture->height = static_cast<int>(height);
    picture->pixels.clear();
    for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            const auto found = index_of.find(draft.rows[y][x]);
            if (found == index_of.end()) {
                *error = "row " + std::to_string(y + 1) + " column " + std::to_string(x + 1) +
                         ": undeclared colour '" + draft.rows[y][x] + "'";
                return false;
            }
            picture->pixels.push_back(found->second);
        }
    }
    return true;
}

inline bool LoadPicture(const std::string& path, Picture* picture, std::string* error) {
    detail::Draft draft;
    return detail::ParseFile(path, 0, &draft, error) && Finish(draft, picture, error);
}

// For tests: a picture from text; includes are resolved against base_path.
inline bool PictureFromText(const std::string& text, const std::string& base_path, Picture* picture,
                            std::string* error) {
    detail::Draft draft;
    return detail::ParseText(text, base_path, 0, &draft, error) && Finish(draft, picture, error);
}

namespace detail {

inline void Put16(std::vector<std::uint8_t>* out, unsigned value) {
    out->push_back(static_cast<std::uint8_t>(value));
    out->push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void Put32(std::vector<std::uint8_t>* out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

inline std::size_t RowBytes(int width, int bits) {
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
}

// BITMAPINFOHEADER (40 bytes).
inline void PutInfoHeader(std::vector<std::uint8_t>* out, int width, int height, int bits,
                          std::size_t image_bytes, unsigned colours_used) {
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(bits));
    Put32(out, 0);  // uncompressed
    Put32(out, static_cast<std::uint32_t>(image_bytes));
    Put32(out, 2835);  // 72 dots per inch
    Put32(out, 2835);
    Put32(out, colours_used);
    Put32(out, 0);
}

inline void PutColour(std::vector<std::uint8_t>* out, Rgb rgb) {
    out->push_back(rgb.b);
    out->push_back(rgb.g);
    out->push_back(rgb.r);
    out->push_back(0);
}

}  // namespace detail

// An 8-bit bitmap file: file header, info header, 256 colours, rows bottom
// first, each padded to 4 bytes. Unused colour-table entries are black.
inline std::vector<std::uint8_t> EncodeBmp(const Picture& picture) {
    using namespace detail;
    const std::size_t row_bytes = RowBytes(picture.width, 8);
    const std::size_t image_bytes = row_bytes * static_cast<std::size_t>(picture.height);
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(&out, static_cast<std::uint32_t>(offset + image_bytes));
    Put32(&out, 0);
    Put32(&out, offset);
    PutInfoHeader(&out, picture.width, picture.height, 8, image_bytes, 256);
    for (std::size_t i = 0; i < 256; ++i) {
        PutColour(&out, i < picture.palette.size() ? picture.palette[i] : Rgb{});
    }
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width; ++x)
            out.push_back(picture.At(x, y));
        out.resize(out.size() + row_bytes - static_cast<std::size_t>(picture.width), 0);
    }
    return out;
}

namespace detail {

// One icon image: its colours, then the colour image (4 bits per pixel, key
// pixels black) and the mask (1 bit per pixel, set where the key is). Index 0
// is black; every colour the picture uses must fit in the other 15 entries
// (black itself shares index 0).
inline bool EncodeIconImage(const Picture& picture, std::vector<std::uint8_t>* out,
                            std::string* error) {
    if (picture.width > 255 || picture.height > 255) {
        *error = "icons are at most 255 x 255";
        return false;
    }
    std::vector<Rgb> colours(1, Rgb{});
    std::vector<std::uint8_t> icon_index(picture.palette.size(), 0);
    for (std::size_t i = 1; i < picture.palette.size(); ++i) {
        std::size_t found = 0;
        while (found < colours.size() && !(colours[found] == picture.palette[i]))
            ++found;
        if (found == colours.size())
            colours.push_back(picture.palette[i]);
        icon_index[i] = static_cast<std::uint8_t>(found);
    }
    if (colours.size() > 16) {
        *error = "an icon holds 16 colours with black, the picture needs " +
                 std::to_string(colours.size());
        return false;
    }
    colours.resize(16);
    const std::size_t xor_row = RowBytes(picture.width, 4);
    const std::size_t and_row = RowBytes(picture.width, 1);
    const std::size_t image_bytes = (xor_row + and_row) * static_cast<std::size_t>(picture.height);
    out->clear();
    // An icon image's header counts both the colour image and the mask.
    PutInfoHeader(out, picture.width, picture.height * 2, 4, image_bytes, 16);
    for (const auto& colour : colours)
        PutColour(out, colour);
    for (int y = picture.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(xor_row, 0);
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t index = icon_index[picture.At(x, y)];
            row[static_cast<std::size_t>(x / 2)] |=
                static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
        }
        out->insert(out->end(), row.begin(), row.end());
    }
    for (int y = picture.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(and_row, 0);
        for (int x = 0; x < picture.width; ++x) {
            if (picture.At(x, y) == 0) {
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        out->insert(out->end(), row.begin(), row.end());
    }
    return true;
}

}  // namespace detail

// A 16-colour icon file with one image per picture, in the given order
// (sizes distinct, so that the system finds the one it needs).
inline bool EncodeIcoImages(const std::vector<Picture>& pictures, std::vector<std::uint8_t>* out,
                            std::string* error) {
    using namespace detail;
    if (pictures.empty() || pictures.size() > 16) {
        *error = "an icon holds 1 to 16 images";
        return false;
    }
    std::vector<std::vector<std::uint8_t>> images(pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (pictures[j].width == pictures[i].width &&
                pictures[j].height == pictures[i].height) {
                *error = "two images of the same size";
                return false;
            }
        }
        if (!EncodeIconImage(pictures[i], &images[i], error))
            return false;
    }
    out->clear();
    Put16(out, 0);  // reserved
    Put16(out, 1);  // icon
    Put16(out, static_cast<unsigned>(pictures.size()));
    std::size_t offset = 6 + 16 * pictures.size();
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        out->push_back(static_cast<std::uint8_t>(pictures[i].width));
        out->push_back(static_cast<std::uint8_t>(pictures[i].height));
        out->push_back(16);  // colours
        out->push_back(0);
        Put16(out, 1);  // planes
        Put16(out, 4);  // bits per pixel
        Put32(out, static_cast<std::uint32_t>(images[i].size()));
        Put32(out, static_cast<std::uint32_t>(offset));
        offset += images[i].size();
    }
    for (const auto& image : images)
        out->insert(out->end(), image.begin(), image.end());
    return true;
}

// A 16-colour icon file with one image.
inline bool EncodeIco(const Picture& picture, std::vector<std::uint8_t>* out, std::string* error) {
    return EncodeIcoImages({picture}, out, error);
}

inline bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

inline int Run(int argc, char** argv) {
    const bool bmp = argc == 4 && std::string(argv[1]) == "bmp";
    const bool ico = argc >= 4 && std::string(argv[1]) == "ico";
    if (!bmp && !ico) {
        std::fprintf(stderr,
                     "usage: pixelart bmp PICTURE.txt OUTPUT\n"
                     "       pixelart ico PICTURE.txt OUTPUT [MORE_PICTURE.txt...]\n");
        return 2;
    }
    std::vector<Picture> pictures(1);
    std::string error;
    for (int i = 2; i < argc; ++i) {
        if (i == 3)
            continue;  // the output
        if (i > 3)
            pictures.emplace_back();
        if (!LoadPicture(argv[i], &pictures.back(), &error)) {
            std::fprintf(stderr, "pixelart: %s\n", error.c_str());
            return 1;
        }
    }
    const Picture& picture = pictures.front();
    std::vector<std::uint8_t> bytes;
    if (bmp) {
        bytes = EncodeBmp(picture);
    } else if (!EncodeIcoImages(pictures, &bytes, &error)) {
        std::fprintf(stderr, "pixelart: %s: %s\n", argv[2], error.c_str());
        return 1;
    }
    if (!WriteFile(argv[3], bytes)) {
        std::fprintf(stderr, "pixelart: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}

}  // namespace pell::pixelart

// The unit tests include this file with PIXELART_NO_MAIN defined.
#ifndef PIXELART_NO_MAIN
int main(int argc, char** argv) {
    return pell::pixelart::Run(argc, argv);
}
#endif
