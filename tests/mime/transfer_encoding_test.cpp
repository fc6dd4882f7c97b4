// Transfer encodings of bodies and the Q form of encoded-words.
#include "mime/transfer_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace pell {
namespace {

using namespace std::string_literals;

TEST(DecodeBase64Lenient, SkipsJunkAndKeepsWholeBytesOfACutGroup) {
    const std::pair<std::string, std::string> cases[] = {
        {"QUJD", "ABC"},      {"QU\r\nJD\r\n", "ABC"}, {"QUI=", "AB"},
        {"QQ==QUJD", "AABC"},  // groups after padding go on
        {"QUJDR", "ABC"},      // one sextet makes no byte
        {"QUJDRE", "ABCD"},    // cut by TOP inside a group
        {"QUJDREU", "ABCDE"}, {"Q*U!J D", "ABC"},      {"", ""},
        {"AAAA", "\0\0\0"s},
    };
    for (const auto& [encoded, expected] : cases)
        EXPECT_EQ(DecodeBase64Lenient(encoded), expected) << encoded;
}

TEST(DecodeQuotedPrintable, SoftBreaksHexAndStrayEquals) {
    const std::pair<std::string, std::string> cases[] = {
        {"a=3D=e3=81=82", "a=\xe3\x81\x82"},
        {"long=\r\nline", "longline"},
        {"long=  \r\nline", "longline"},
        {"long=\nline", "longline"},
        {"cut at the end=", "cut at the end"},
        {"2=2 and =zz", "2=2 and =zz"},
        {"a_b", "a_b"},
        {"line\r\nnext", "line\r\nnext"},
    };
    for (const auto& [encoded, expected] : cases)
        EXPECT_EQ(DecodeQuotedPrintable(encoded), expected) << encoded;
    EXPECT_EQ(DecodeQEncoding("Keith_Moore=5F=3F"), "Keith Moore_?");
}

TEST(TransferEncodingFromValue, NamesInAnyCase) {
    EXPECT_EQ(TransferEncodingFromValue(" BASE64 (comment)"), TransferEncoding::kBase64);
    EXPECT_EQ(TransferEncodingFromValue("Quoted-Printable"), TransferEncoding::kQuotedPrintable);
    EXPECT_EQ(TransferEncodingFromValue("7bit"), TransferEncoding::kIdentity);
    EXPECT_EQ(TransferEncodingFromValue("x-uuencode"), TransferEncoding::kIdentity);
    EXPECT_EQ(TransferEncodingFromValue(""), TransferEncoding::kIdentity);
}

}  // namespace
}  // namespace pell
