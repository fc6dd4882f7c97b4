// MIME fields of part heads: parameters and file names in their many forms.
#include "mime/mime_headers.h"

#include <gtest/gtest.h>

#include <string>

namespace pell {
namespace {

TEST(PartFieldValue, FirstFieldOfThatNameWithItsContinuations) {
    const std::string head =
        "X-Content-Type: no\r\nContent-Type : text/plain;\r\n\tcharset=utf-8\r\n"
        "Content-Type: second\r\n";
    EXPECT_EQ(PartFieldValue(head, "content-type"), " text/plain;\tcharset=utf-8");
    EXPECT_EQ(PartFieldValue(head, "Content-Disposition"), "");
}

TEST(ParseParameters, QuotedAndPlainValues) {
    const auto p =
        ParseParameters("multipart/mixed; BOUNDARY=\"a;b\\\"c\" ; charset=utf-8;flag; empty=\"\"");
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(ParameterValue(p, "boundary"), "a;b\"c");
    EXPECT_EQ(ParameterValue(p, "charset"), "utf-8");
    EXPECT_EQ(p[2].name, "flag");
    EXPECT_EQ(ParameterValue(p, "empty"), "");
    EXPECT_EQ(ParseParameters(std::string(100000, ';') + "a=b").size(), 1u);
}

TEST(FileNameParameter, Rfc2231AndRfc2047Forms) {
    const std::pair<std::string, std::string> cases[] = {
        {"attachment; filename=\"a.txt\"", "a.txt"},
        {"attachment; filename*=UTF-8''%E6%9D%B1.txt", "東.txt"},
        {"attachment; filename*=utf-8'ja'%E6%9D%B1%2", "東%2"},
        {"attachment; filename*0*=UTF-8''%E6%9D; filename*1*=%B1; filename*2=.txt", "東.txt"},
        {"attachment; filename*1*=%B1; filename*0*=UTF-8''%E6%9D", "東"},  // any order
        {"attachment; filename*0=\"=?UTF-8?B?5p2x?=\"; filename*1=\".txt\"", "東.txt"},
        {"attachment; filename*=iso-2022-jp''%1B%24BEl%1B%28B", "東"},
        {"attachment; filename*=shift_jis''%93%8C", "東"},
        {"attachment; filename=\"=?UTF-8?B?5p2x?=\r\n =?UTF-8?B?5Lqs?=.pdf\"", "東京.pdf"},
        {"attachment; filename=\"=?ISO-2022-JP?B?GyRCRWwbKEI=?=.jpg\"", "東.jpg"},
        {u8"attachment; filename=\"東.txt\"", "東.txt"},  // raw UTF-8
        {"attachment; filename*=x-unknown''a%41", "aA"},
        {"attachment; filename*=UTF-8''x; filename=\"plain\"", "x"},
        {"attachment", ""},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(FileNameParameter(ParseParameters(value), "filename"), expected) << value;
}

TEST(ReadPartHeaders, TypeCharsetEncodingDispositionAndName) {
    const PartHeaders h = ReadPartHeaders(
        "Content-Type: Text/HTML; charset=\"UTF-8\"; name=a.htm\r\n"
        "Content-Transfer-Encoding: Base64\r\nContent-Disposition: ATTACHMENT\r\n");
    EXPECT_EQ(h.mediaType, "text/html");
    EXPECT_EQ(h.charset, "UTF-8");
    EXPECT_EQ(h.transfer, TransferEncoding::kBase64);
    EXPECT_TRUE(h.attachment);
    EXPECT_EQ(h.fileName, "a.htm");
    const PartHeaders none = ReadPartHeaders("");
    EXPECT_EQ(none.mediaType, "");
    EXPECT_FALSE(none.attachment);
}

}  // namespace
}  // namespace pell
