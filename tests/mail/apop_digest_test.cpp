#include "mail/apop_digest.h"

#include <gtest/gtest.h>

namespace pell {
namespace {

TEST(Md5, SuiteOfItsDefinition) {
    struct Case {
        const char* input;
        const char* digest;
    };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeApopDigest(c.input), c.digest) << c.input;
}

TEST(MakeApopDigest, ExampleLogin) {
    EXPECT_EQ(MakeApopDigest("<1896.697170952@dbc.mtview.ca.us>tanstaaf"),
              "c4c9334bac560ecc979e58001b3e22fb");
}

TEST(MakeApopDigest, BlockBoundariesAndRawBytes) {
    // Lengths around the 56- and 64-byte padding boundaries.
    for (std::size_t n : {55u, 56u, 57u, 63u, 64u, 65u, 158u}) {
        const std::string digest = MakeApopDigest(std::string(n, 'x'));
        EXPECT_EQ(digest.size(), 32u);
        EXPECT_EQ(digest.find_first_not_of("0123456789abcdef"), std::string::npos);
    }
    EXPECT_EQ(MakeApopDigest(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
    EXPECT_EQ(MakeApopDigest(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
    // Shift_JIS bytes are digested as they are.
    EXPECT_NE(MakeApopDigest("<a@b>パス"), MakeApopDigest("<a@b>pass"));
}

}  // namespace
}  // namespace pell
