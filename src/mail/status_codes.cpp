#include "mail/status_codes.h"

namespace pell {
namespace {

// Codes 0..23. The text of 15 doubles as the key name TimeOut.
constexpr std::string_view kSessionTexts[24] = {
    "正常",
    "ｴﾗｰ",
    "Windows Socket読み込みｴﾗｰ",
    "IPｱﾄﾞﾚｽ取得失敗(DNSｴﾗｰ)",
    "ｿｹｯﾄ無効",
    "ｿｹｯﾄの接続に失敗",
    "送信中に失敗",
    "受信に失敗",
    "ﾕｰｻﾞｰで失敗",
    "ﾊﾟｽﾜｰﾄﾞで失敗",
    "LISTｺﾏﾝﾄﾞで失敗",
    "QUITｺﾏﾝﾄﾞで失敗",
    "LOGINｴﾗｰ",
    "POPｻｰﾊﾞは無言です",
    "UIDLｺﾏﾝﾄﾞで失敗",
    "TimeOut",
    "TOPｺﾏﾝﾄﾞで失敗",
    "他ｱﾌﾟﾘでﾁｪｯｸ中",
    "SSL/TLS接続失敗",
    "証明書が不正",
    "STLS非対応",
    "APOP非対応",
    "ﾌｫﾙﾀﾞが見つかりません",
    "ｻｰﾊﾞの応答が不正",
};

// Codes -1..-8.
constexpr std::string_view kStateTexts[8] = {
    "未ﾁｪｯｸ",
    "非ﾁｪｯｸ",
    "ﾁｪｯｸ中",
    "ｱﾌﾟﾘｹｰｼｮﾝ起動失敗",
    "ﾃﾚﾎｰﾀﾞｲ時間外停止中",
    "新着ﾒｰﾙ",
    "ﾀﾞｲｱﾙｱｯﾌﾟしていません",
    "ﾁｪｯｸ停止中",
};

}  // namespace

std::string_view StatusText(int code) {
    if (code >= 0 && code <= 23)
        return kSessionTexts[code];
    if (code < 0 && code >= -8)
        return kStateTexts[-code - 1];
    return std::string_view();
}

}  // namespace pell
