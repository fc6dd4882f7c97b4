// The picture generator: text pictures in, bitmap and icon bytes out, exactly
// as the program's frame and shape code and the system's icon loader read them.
#define PIXELART_NO_MAIN
#include "../../tools/pixelart/pixelart.cpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace pell::pixelart {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b.at(at)) | static_cast<std::uint32_t>(b.at(at + 1)) << 8 |
           static_cast<std::uint32_t>(b.at(at + 2)) << 16 |
           static_cast<std::uint32_t>(b.at(at + 3)) << 24;
}

unsigned Get16(const Bytes& b, std::size_t at) {
    return b.at(at) | static_cast<unsigned>(b.at(at + 1)) << 8;
}

// A picture text with the given rows: '.' key, 'a' red, 'b' green, 'k' black.
std::string Text(const std::vector<std::string>& rows) {
    std::string text =
        "key . C8C0FF\n"
        "colour a FF0000 red\n"
        "colour b 00FF00\n"
        "colour k 000000\n"
        "map\n";
    for (const auto& row : rows)
        text += row + "\n";
    return text + "end\n";
}

Picture Parse(const std::string& text) {
    Picture picture;
    std::string error;
    EXPECT_TRUE(PictureFromText(text, "test.txt", &picture, &error)) << error;
    return picture;
}

std::string ErrorOf(const std::string& text) {
    Picture picture;
    std::string error;
    EXPECT_FALSE(PictureFromText(text, "test.txt", &picture, &error));
    return error;
}

// The text pictures, found from this file's place in the source tree.
std::string SourceArt() {
    std::string path = __FILE__;
    path.erase(path.find_last_of("/\\") + 1);
    return path + "../../src/resources/art/";
}

// Rows of any width are stored bottom first and padded to four bytes; the key
// is colour 0 and sits in the first pixel of the data.
TEST(PixelArtBmp, StoresRowsBottomFirstWithPadding) {
    for (int width : {1, 30, 32, 33}) {
        SCOPED_TRACE(width);
        std::vector<std::string> rows(3, std::string(static_cast<std::size_t>(width), 'a'));
        rows[0].back() = 'b';  // top-right
        rows[2][0] = '.';      // bottom-left
        const Bytes bmp = EncodeBmp(Parse(Text(rows)));
        const std::size_t row_bytes = (static_cast<std::size_t>(width) + 3) / 4 * 4;
        ASSERT_EQ(bmp.size(), 1078 + 3 * row_bytes);
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(Get32(bmp, 2), bmp.size());
        EXPECT_EQ(Get32(bmp, 10), 1078u);
        EXPECT_EQ(Get32(bmp, 14), 40u);
        EXPECT_EQ(static_cast<int>(Get32(bmp, 18)), width);
        EXPECT_EQ(Get32(bmp, 22), 3u);  // positive height: bottom row first
        EXPECT_EQ(Get16(bmp, 28), 8u);
        EXPECT_EQ(Get32(bmp, 30), 0u);  // uncompressed
        // Colour 0 is the key, stored blue, green, red.
        EXPECT_EQ(Get32(bmp, 54), 0xC8C0FFu);
        EXPECT_EQ(bmp[1078], 0);  // bottom-left pixel: the key
        if (width > 1) {
            EXPECT_EQ(bmp[1079], 1);
        }
        const std::size_t top_row = 1078 + 2 * row_bytes;
        EXPECT_EQ(bmp[top_row + static_cast<std::size_t>(width) - 1], 2);  // 'b'
        for (std::size_t pad = static_cast<std::size_t>(width); pad < row_bytes; ++pad) {
            EXPECT_EQ(bmp[top_row + pad], 0) << "padding byte " << pad;
        }
    }
}

// Only used colours get an index, in the order they were declared; declaring a
// colour again recolours it in place, which is how a skin recolours a picture.
TEST(PixelArtPalette, UsedColoursInDeclarationOrderAndRecolouring) {
    const Picture plain = Parse(Text({"ka", ".a"}));
    ASSERT_EQ(plain.palette.size(), 3u);  // key, red, black; green unused
    EXPECT_EQ(plain.palette[1], (Rgb{0xFF, 0, 0}));
    EXPECT_EQ(plain.palette[2], (Rgb{0, 0, 0}));
    EXPECT_EQ(plain.pixels, (std::vector<std::uint8_t>{2, 1, 0, 1}));

    const Picture recoloured = Parse(Text({"ka", ".a"}) + "colour a 123456\n");
    ASSERT_EQ(recoloured.palette.size(), 3u);
    EXPECT_EQ(recoloured.palette[1], (Rgb{0x12, 0x34, 0x56}));
    EXPECT_EQ(recoloured.pixels, (std::vector<std::uint8_t>{2, 1, 0, 1}));
}

// Pictures edited on Windows have CRLF line ends; comments may follow values.
TEST(PixelArtPalette, AcceptsCrlfAndComments) {
    const Picture picture = Parse(
        "# a picture\r\nkey . C8C0FF  # background\r\ncolour a ff0000 red\r\n"
        "map\r\n.a\r\nend\r\n");
    ASSERT_EQ(picture.width, 2);
    ASSERT_EQ(picture.palette.size(), 2u);
    EXPECT_EQ(picture.palette[1], (Rgb{0xFF, 0, 0}));
}

TEST(PixelArtErrors, RejectsPicturesTheProgramCouldNotUse) {
    const struct {
        std::string text;
        std::string error_part;
    } cases[] = {
        {"colour a FF0000\nmap\n.a\nend\n", "no key"},
        {"key . C8C0FF\n", "no map"},
        {Text({"..", "..."}), "row 2 has 3 pixels"},
        {Text({"..", "a."}), "bottom-left"},
        {Text({"..", ".z"}), "undeclared colour 'z'"},
        {Text({"..", ".a"}) + "colour a C8C0FF\n", "key colour's value"},
        {"key . C8C0FF\nmap\n..\n", "map without end"},
        {Text({"."}) + "map\n.\nend\n", "a second map"},
        {"key . C8C0GF\n", "RRGGBB"},
        {"key .. C8C0FF\n", "one printable character"},
        {"paint . C8C0FF\n", "unknown statement"},
        {"key . C8C0FF\nmap\n. .\nend\n", "printable characters only"},
        {"include no_such_file.txt\n", "cannot read"},
        {Text({std::string(257, '.')}), "larger than 256"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_NE(ErrorOf(c.text).find(c.error_part), std::string::npos) << ErrorOf(c.text);
    }
}

TEST(PixelArtErrors, IncludeLoopStopsWithAnError) {
    const std::string path = testing::TempDir() + "pixelart_loop.txt";
    std::ofstream(path) << "include pixelart_loop.txt\n";
    Picture picture;
    std::string error;
    EXPECT_FALSE(LoadPicture(path, &picture, &error));
    EXPECT_NE(error.find("nested too deeply"), std::string::npos) << error;
    std::remove(path.c_str());
}

// The icon: colour image with the key drawn black, mask set exactly on the
// key, black shared with index 0, at most 16 colours.
TEST(PixelArtIco, MaskAndColourImage) {
    const Picture picture = Parse(Text({"ak.b", ".aaa"}));
    Bytes ico;
    std::string error;
    ASSERT_TRUE(EncodeIco(picture, &ico, &error)) << error;
    // Four pixels wide: colour rows of 4 bytes, mask rows of 4 bytes.
    ASSERT_EQ(ico.size(), 22u + 40 + 64 + 2 * 4 + 2 * 4);
    EXPECT_EQ(Get16(ico, 2), 1u);  // icon
    EXPECT_EQ(ico[6], 4);
    EXPECT_EQ(ico[7], 2);
    EXPECT_EQ(ico[8], 16);
    EXPECT_EQ(Get16(ico, 12), 4u);
    EXPECT_EQ(Get32(ico, 14), ico.size() - 22);
    EXPECT_EQ(Get32(ico, 22 + 8), 4u);   // header height counts the mask too
    EXPECT_EQ(Get32(ico, 22 + 40), 0u);  // index 0 black
    // Icon palette: 0 black (and 'k'), 1 red, 2 green.
    const std::size_t xor_at = 22 + 40 + 64;
    EXPECT_EQ(ico[xor_at], 0x01);      // bottom row ".a": key drawn black, red
    EXPECT_EQ(ico[xor_at + 1], 0x11);  // "aa"
    EXPECT_EQ(ico[xor_at + 4], 0x10);  // top row "ak": red, black
    EXPECT_EQ(ico[xor_at + 5], 0x02);  // ".b": key drawn black, green
    const std::size_t and_at = xor_at + 8;
    EXPECT_EQ(ico[and_at], 0x80);      // bottom row: only the first pixel
    EXPECT_EQ(ico[and_at + 4], 0x20);  // top row: only the third pixel

    std::string many = "key . C8C0FF\n";
    std::string row = ".";
    for (int i = 0; i < 16; ++i) {
        const char symbol = static_cast<char>('A' + i);
        // Sixteen colours besides black: one too many.
        many += std::string("colour ") + symbol + " 1000" + (i < 10 ? "0" : "1") +
                static_cast<char>('0' + i % 10) + "\n";
        row += symbol;
    }
    ASSERT_FALSE(EncodeIco(Parse(many + "map\n" + row + "\nend\n"), &ico, &error));
    EXPECT_NE(error.find("16 colours"), std::string::npos) << error;
}

// Several sizes in one icon: one directory entry each, images one after the
// other; two images of one size would leave the system guessing.
TEST(PixelArtIco, OneImagePerSize) {
    const Picture small = Parse(Text({"ak", ".a"}));
    const Picture large = Parse(Text({"aaaa", "akka", "a..a", ".aaa"}));
    Bytes one;
    Bytes two;
    std::string error;
    ASSERT_TRUE(EncodeIco(small, &one, &error)) << error;
    ASSERT_TRUE(EncodeIcoImages({small, large}, &two, &error)) << error;
    EXPECT_EQ(Get16(two, 4), 2u);
    EXPECT_EQ(two[6], 2);
    EXPECT_EQ(two[6 + 16], 4);
    const std::uint32_t firstAt = Get32(two, 6 + 12);
    const std::uint32_t firstBytes = Get32(two, 6 + 8);
    EXPECT_EQ(firstAt, 6u + 32);
    EXPECT_EQ(Get32(two, 6 + 16 + 12), firstAt + firstBytes);
    EXPECT_EQ(Get32(two, 6 + 16 + 12) + Get32(two, 6 + 16 + 8), two.size());
    // The small image is byte for byte the one of a single-image icon.
    EXPECT_EQ(Bytes(two.begin() + firstAt, two.begin() + firstAt + firstBytes),
              Bytes(one.begin() + 22, one.end()));
    EXPECT_FALSE(EncodeIcoImages({small, small}, &two, &error));
    EXPECT_NE(error.find("same size"), std::string::npos) << error;
}

// The real pictures: every frame and icon of the program and of the example
// skin loads, is 32 x 32 with the key in the bottom-left corner and a
// character of opaque pixels, and every icon fits in 16 colours.
TEST(PixelArtSources, FramesAndIconsAreUsable) {
    const std::vector<std::string> frames = {"frame1_rest",     "frame2_pleased",
                                             "frame3_letter",   "frame4_crying",
                                             "frame5_thinking", "frame6_letter_wide"};
    const std::vector<std::string> icons = {"icon200_rest", "icon201_smile", "icon202_letter"};
    std::vector<std::string> pictures;
    for (const auto& name : frames) {
        pictures.push_back(name);
        pictures.push_back("skin_test/" + name);
    }
    for (const auto& name : icons)
        pictures.push_back(name);
    pictures.push_back("skin_test/icon201_smile");
    pictures.push_back("skin_test/icon202_letter");
    for (const auto& name : pictures) {
        SCOPED_TRACE(name);
        Picture picture;
        std::string error;
        ASSERT_TRUE(LoadPicture(SourceArt() + name + ".txt", &picture, &error)) << error;
        EXPECT_EQ(picture.width, 32);
        EXPECT_EQ(picture.height, 32);
        EXPECT_EQ(picture.At(0, 31), 0);
        int opaque = 0;
        for (auto index : picture.pixels)
            opaque += index != 0;
        EXPECT_GT(opaque, 32 * 32 / 4);
        Bytes ico;
        if (name.find("icon") != std::string::npos) {
            EXPECT_TRUE(EncodeIco(picture, &ico, &error)) << error;
        }
    }
}

}  // namespace
}  // namespace pell::pixelart
