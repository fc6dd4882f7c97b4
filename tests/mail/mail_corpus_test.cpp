// Sample messages shaped like what today's services send, each with the
// Shift_JIS viewer text the user must see (the literals below are Shift_JIS at
// run time).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "mail/mail_summary.h"

namespace pell {
namespace {

std::string ReadCorpusFile(const std::string& name) {
    std::string path = std::string(PELL_TEST_DATA_DIR) + "/mime_corpus/" + name;
#ifdef _WIN32
    path = "Z:" + path;  // the source tree is drive Z: under Wine
#endif
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

struct CorpusCase {
    const char* file;
    std::string sender;
    std::string subject;
    std::string body;            // the viewer text behind its three head lines
    const char* date = nullptr;  // when set, the date shown
};

TEST(MailCorpus, ViewerTextsOfTodaysMail) {
    const CorpusCase cases[] = {
        {"utf8_base64.eml", "鈴木 一郎 <suzuki@example.jp>", "【重要】会議のお知らせ～来週",
         "山田様\r\n\r\nお世話になっております。\r\n来週の会議は10時～12時です。\r\n"
         "気温は－3℃の予報です。\r\n\r\nよろしくお願いいたします。"},
        {"utf8_quoted_printable.eml", "shop@example.com", "ご注文 確認 No.1234",
         "ご注文ありがとうございます。\r\n注文番号：A-1234\r\n合計：¥3,980\r\n"
         "お届け予定日は6月5日です。長い行はソフト改行で折り返されますので、"
         "そのまま一行として表示されるはずです。\r\n(max 10 lines)..."},
        {"iso2022jp_phone.eml", "佐藤 <sato@example.ne.jp>", "今から帰ります",
         "今から帰ります。\r\n夕飯は何？"},
        {"html_newsletter.eml", "ニュース <news@example.com>", "【ニュース】6月号",
         "6月のお知らせ\r\n\r\nいつもご利用ありがとうございます。\r\n新商品のご案内です。\r\n\r\n"
         "商品A & 商品B\r\n価格 ¥1,000から\r\n\r\n期間 6/1～6/30\r\n\r\n配信停止はこちら 〓"
         "\r\n(max 10 lines)..."},
        {"emoji_8bit.eml", "たなか <tanaka@example.jp>", "週末〓旅行〓の件〓〓〓",
         "楽しみ〓です！\r\nＡ～Ｚ、①②、髙橋さん"},
        {"attachments.eml", "kato@example.jp", "資料送付",
         "資料を送ります。\r\n Attach:見積書.pdf\r\n Attach:議事録（第2回）.docx\r\n"
         " Attach:写真.jpg\r\n Attach:メモ.txt\r\n(max 10 lines)..."},
        {"nested.eml", "高橋 <takahashi@example.jp>", "入れ子のメール",
         "テキスト版の本文です。\r\n Attach:logo.png\r\n Attach:請求書.pdf\r\n(max 10 lines)..."},
        {"shift_jis_8bit.eml", "伊藤 <ito@example.jp>", "ｶﾀｶﾅと漢字",
         "半角ｶﾀｶﾅと全角カタカナ\r\n～～"},
        {"euc_jp_unlabelled.eml", "old@example.jp", "古いシステム", "古いシステムからの通知です。"},
        {"top_cut_base64.eml", "長い <long@example.jp>", "長いメール",
         "1行目：あいうえおかきくけこさしすせそ\r\n2行目：あいうえおかきくけこさしすせそ\r\n"
         "3行目：あいうえおかきくけこさしすせそ\r\n4行目：あいうえおかきくけこさしすせそ\r\n"
         "5行目：あいうえおかきくけこさしすせそ\r\n6行目：あいうえお"},
        {"latin.eml", "Ren〓 <rene@example.fr>", "Caf〓 〓“ok”", "“Hello” 〓 5〓 ± 1°C"},
        // Mail as other programs write it: fields of the same name's relatives,
        // dates in their obsolete forms, stuffed dots, tab folding, boundaries
        // in every form, cut multiparts, carrier emoji and foreign charsets.
        {"resent_list.eml", "小林 <kobayashi@example.jp>",
         "[list:123] Re: weekly notes and the next meeting",
         "議事録です。\r\n...続きは明日。\r\n.\r\n以上", "2012/04/29 23:34:45"},
        {"phone_emoji_multipart.eml", "あや <aya@phone.example.jp>", "写真〓",
         "公園で撮りました〓\r\nまたね\r\n\r\n Attach:公園.jpg"},
        {"rfc2231_boundary.eml", "notice@example.com", "お知らせ",
         "添付をご確認ください。\r\n\r\n Attach:資料.pdf"},
        {"top_cut_multipart.eml", "old@example.jp", "長い報告",
         "1行目の報告\r\n2行目の報告\r\n3行目の報告\r\n4行目の報告\r\n5行目の報告\r\n"
         "6行目の報告\r\n(max 10 lines)...",
         "1997/11/21 09:55:06"},
        {"cyrillic_koi8.eml", "Иван <ivan@example.ru>", "Привет", "Добрый день!\r\nЖду ответа."},
        {"chinese_gb2312.eml", "王 <wang@example.cn>", "会〓通知",
         "明天上午十〓〓会。\r\n地点：三号楼"},
        {"chinese_big5.eml", "chen@example.tw", "報告", "請參〓附件。\r\n謝謝"},
        {"korean_euckr.eml", "kim@example.kr", "〓〓 韓國", "大韓民國 〓〓"},
        {"unknown_charset.eml", "somchai@example.th", "=?TIS-620?B?ysfRyrTV?= (hello)",
         "Hello 〓〓〓 2012"},
        {"latin1_unlabelled.eml", "rene@example.fr", "Menu du jour",
         "Entr〓e: soupe 〓 5 °C\r\nPlat: cr〓me br〓l〓e ± 2"},
    };
    for (const auto& c : cases) {
        const std::string reply = ReadCorpusFile(c.file);
        ASSERT_FALSE(reply.empty()) << c.file;
        const MailSummary s = ExtractMessage(reply, false, 10).summary;
        EXPECT_EQ(s.sender, c.sender) << c.file;
        EXPECT_EQ(s.subject, c.subject) << c.file;
        const std::string head =
            "Subject: " + s.subject + "\r\nFrom: " + s.sender + "\r\nDate: " + s.date + "\r\n\r\n";
        EXPECT_EQ(s.viewer, head + c.body) << c.file;
        if (c.date != nullptr) {
            EXPECT_EQ(s.date, c.date) << c.file;
        }
    }
}

}  // namespace
}  // namespace pell
