// Narrow literals must be Shift_JIS bytes in the program, whatever the platform.
#include <gtest/gtest.h>

#include <string>

namespace {

std::string Hex(const std::string& s) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (!out.empty())
            out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

TEST(ExecCharset, LiteralsAreShiftJis) {
    EXPECT_EQ(Hex("正常"), "90 B3 8F ED");
    EXPECT_EQ(Hex("ﾁｪｯｸ中"), "C1 AA AF B8 92 86");
    // Second bytes of 0x5C must survive as data, not as escapes.
    EXPECT_EQ(Hex("表示"), "95 5C 8E A6");
}

}  // namespace
