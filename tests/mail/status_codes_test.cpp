#include "mail/status_codes.h"

#include <gtest/gtest.h>

namespace pell {
namespace {

TEST(StatusText, CodesMapToTheirTexts) {
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {0, "正常"},
        {1, "ｴﾗｰ"},
        {3, "IPｱﾄﾞﾚｽ取得失敗(DNSｴﾗｰ)"},
        {5, "ｿｹｯﾄの接続に失敗"},
        {12, "LOGINｴﾗｰ"},
        {14, "UIDLｺﾏﾝﾄﾞで失敗"},
        {15, "TimeOut"},
        {17, "他ｱﾌﾟﾘでﾁｪｯｸ中"},
        {18, "SSL/TLS接続失敗"},
        {19, "証明書が不正"},
        {20, "STLS非対応"},
        {21, "APOP非対応"},
        {22, "ﾌｫﾙﾀﾞが見つかりません"},
        {23, "ｻｰﾊﾞの応答が不正"},
        {-1, "未ﾁｪｯｸ"},
        {-2, "非ﾁｪｯｸ"},
        {-3, "ﾁｪｯｸ中"},
        {-6, "新着ﾒｰﾙ"},
        {-8, "ﾁｪｯｸ停止中"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatusText(c.code), c.text) << c.code;
    // Every code of the table has a text; nothing else does.
    for (int code = -8; code <= 23; ++code)
        EXPECT_FALSE(StatusText(code).empty()) << code;
    EXPECT_TRUE(StatusText(24).empty());
    EXPECT_TRUE(StatusText(-9).empty());
}

TEST(StatusText, ShiftJisBytes) {
    EXPECT_EQ(StatusText(0), "\x90\xb3\x8f\xed");
    EXPECT_EQ(StatusText(-3), "\xc1\xaa\xaf\xb8\x92\x86");
}

TEST(StatusClassification, ErrorsStartAtTwo) {
    EXPECT_FALSE(IsErrorStatus(0));
    EXPECT_FALSE(IsErrorStatus(1));
    EXPECT_TRUE(IsErrorStatus(2));
    EXPECT_TRUE(IsErrorStatus(15));
    EXPECT_TRUE(IsErrorStatus(kStatusNoStls));
    EXPECT_FALSE(IsErrorStatus(-6));
    EXPECT_TRUE(IsNewMailStatus(-6));
    EXPECT_TRUE(IsWaitingStatus(-3));
}

}  // namespace
}  // namespace pell
