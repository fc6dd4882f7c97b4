// The walk over nested multiparts.
#include "mime/mime_walk.h"

#include <gtest/gtest.h>

#include <string>

namespace pell {
namespace {

TEST(WalkMultipart, NestedPartsInOrderWithTheirDepth) {
    const std::string body =
        "preamble\r\n--out\r\nContent-Type: multipart/alternative; boundary=out-in\r\n\r\n"
        "--out-in\r\nContent-Type: text/plain\r\n\r\nplain\r\n\r\n--out-in\r\n"
        "Content-Type: text/html\r\n\r\n<b>x</b>\r\n--out-in--\r\nepilogue\r\n"
        "--out \r\nContent-Type: image/png; name=a.png\r\n\r\nAAAA\r\n--out--\r\nignored\r\n";
    const auto leaves = WalkMultipart(body, "out");
    ASSERT_EQ(leaves.size(), 3u);
    EXPECT_EQ(leaves[0].body, "plain\r\n");
    EXPECT_EQ(leaves[0].depth, 2u);
    EXPECT_EQ(leaves[1].headers.mediaType, "text/html");
    EXPECT_EQ(leaves[1].body, "<b>x</b>");
    EXPECT_EQ(leaves[2].headers.fileName, "a.png");
    EXPECT_EQ(leaves[2].depth, 1u);
    EXPECT_EQ(leaves[2].body, "AAAA");
}

TEST(WalkMultipart, CutBodiesAndHeadsWithoutBlankLine) {
    const auto cut = WalkMultipart("--b\nContent-Type: text/plain\n\nrest of a TOP\n", "b");
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].body, "rest of a TOP\n");
    const auto headOnly = WalkMultipart("--b\r\nContent-Type: a/b; name=x\r\n--b--\r\n", "b");
    ASSERT_EQ(headOnly.size(), 1u);
    EXPECT_EQ(headOnly[0].headers.fileName, "x");
    EXPECT_TRUE(WalkMultipart("--b\r\n", "").empty());
}

TEST(WalkMultipart, HostileNestingAndBoundariesStayBounded) {
    // 10,000 levels, each opening a deeper multipart: the walk stops nesting.
    std::string deep;
    for (int i = 0; i < 10000; ++i) {
        deep += "--b" + std::to_string(i) + "\r\nContent-Type: multipart/mixed; boundary=b" +
                std::to_string(i + 1) + "\r\n\r\n";
    }
    const auto leaves = WalkMultipart(deep, "b0");
    ASSERT_EQ(leaves.size(), 1u);
    EXPECT_EQ(leaves[0].depth, kMaxMimeDepth);
    // A 200 KB boundary against lines of dashes nearly as long, and more parts
    // than are kept.
    const std::string boundary(200000, '-');
    std::string dashes;
    for (int i = 0; i < 200; ++i)
        dashes += std::string(199000, '-') + "\r\n";
    EXPECT_TRUE(WalkMultipart(dashes, boundary).empty());
    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += "--b\r\n\r\n" + std::to_string(i) + "\r\n";
    EXPECT_EQ(WalkMultipart(many, "b").size(), kMaxMimeLeaves);
}

}  // namespace
}  // namespace pell
