// Three thousand ISO-2022-JP messages, drawn at random the way Japanese mail
// programs write them, read back through the whole summary path and checked
// against the C library's own ISO-2022-JP to CP932 converter: a reader that
// only agrees with itself would pass any table of hand-made cases.
#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>
#include <vector>

#include "mail/imap_text.h"
#include "mail/mail_summary.h"

namespace pell {
namespace {

class Cp932Oracle {
  public:
    Cp932Oracle() : cd_(iconv_open("CP932", "ISO-2022-JP")) {}
    ~Cp932Oracle() {
        if (valid())
            iconv_close(cd_);
    }
    Cp932Oracle(const Cp932Oracle&) = delete;
    Cp932Oracle& operator=(const Cp932Oracle&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // The CP932 bytes of `jis`, or nothing when the library refuses it.
    bool Convert(const std::string& jis, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string in = jis;
        out.assign(in.size() * 2 + 8, '\0');
        char* from = in.data();
        std::size_t fromLeft = in.size();
        char* to = out.data();
        std::size_t toLeft = out.size();
        if (iconv(cd_, &from, &fromLeft, &to, &toLeft) == static_cast<std::size_t>(-1))
            return false;
        out.resize(out.size() - toLeft);
        return true;
    }

  private:
    iconv_t cd_;
};

// A run of text as a Japanese mail program holds it before sending: pieces
// of ASCII and of JIS X 0208 characters (two bytes each, rows and cells
// 0x21..0x7E).
struct Piece {
    bool kanji;
    std::string bytes;
};

std::string ToJis(const std::vector<Piece>& pieces) {
    std::string jis;
    for (const Piece& piece : pieces)
        jis += piece.kanji ? "\x1b$B" + piece.bytes + "\x1b(B" : piece.bytes;
    return jis;
}

class Generator {
  public:
    Generator(unsigned seed, Cp932Oracle& oracle) : random_(seed) {
        // Every character the library knows, so the oracle answers for all.
        std::string out;
        for (int row = 0x21; row <= 0x7e; ++row)
            for (int cell = 0x21; cell <= 0x7e; ++cell) {
                std::string code{static_cast<char>(row), static_cast<char>(cell)};
                if (oracle.Convert("\x1b$B" + code + "\x1b(B", out))
                    characters_.push_back(code);
            }
    }

    std::size_t characterCount() const { return characters_.size(); }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    std::vector<Piece> Text(int maxPieces, int maxRun, bool mayStartWithDot) {
        std::vector<Piece> pieces;
        const int count = Pick(1, maxPieces);
        for (int i = 0; i < count; ++i) {
            Piece piece{Pick(0, 2) != 0, {}};
            const int run = Pick(1, maxRun);
            for (int k = 0; k < run; ++k) {
                if (piece.kanji) {
                    piece.bytes += characters_[static_cast<std::size_t>(
                        Pick(0, static_cast<int>(characters_.size()) - 1))];
                } else {
                    static constexpr char kAscii[] = "abcXYZ019 .,-()!?:";
                    piece.bytes += kAscii[Pick(0, sizeof kAscii - 2)];
                }
            }
            pieces.push_back(std::move(piece));
        }
        // A text begins and ends with something visible: a field value's
        // outer blanks are not the text's. Some body lines begin with a dot,
        // which the server doubles.
        if (!pieces.front().kanji)
            pieces.insert(pieces.begin(), Piece{false, "a"});
        if (!pieces.back().kanji)
            pieces.push_back(Piece{false, "z"});
        if (mayStartWithDot && Pick(0, 9) == 0)
            pieces.insert(pieces.begin(), Piece{false, "."});
        return pieces;
    }

  private:
    std::mt19937 random_;
    std::vector<std::string> characters_;
};

std::string EncodedWord(const std::string& jis) {
    return "=?ISO-2022-JP?B?" + EncodeBase64(jis) + "?=";
}

// A field value as mail programs encode it: the whole text in one encoded
// word, or split between characters into two words on a folded line.
std::string EncodedField(const std::vector<Piece>& pieces, bool split) {
    if (!split || pieces.size() < 2)
        return EncodedWord(ToJis(pieces));
    const std::size_t half = pieces.size() / 2;
    const std::vector<Piece> first(pieces.begin(), pieces.begin() + half);
    const std::vector<Piece> second(pieces.begin() + half, pieces.end());
    return EncodedWord(ToJis(first)) + "\r\n " + EncodedWord(ToJis(second));
}

TEST(GeneratedJisMail, ThreeThousandMessagesReadAsTheLibraryConvertsThem) {
    Cp932Oracle oracle;
    ASSERT_TRUE(oracle.valid()) << "no ISO-2022-JP to CP932 converter";
    Generator generate(20261208, oracle);
    ASSERT_GT(generate.characterCount(), 6000u);

    int failures = 0;
    for (int n = 0; n < 3000 && failures < 5; ++n) {
        const std::vector<Piece> sender = generate.Text(2, 6, false);
        const std::vector<Piece> subject = generate.Text(6, 12, false);
        std::vector<std::vector<Piece>> lines;
        const int lineCount = generate.Pick(1, 12);
        for (int i = 0; i < lineCount; ++i) {
            if (i > 0 && i + 1 < lineCount && generate.Pick(0, 5) == 0)
                lines.emplace_back();  // a blank line between paragraphs
            else
                lines.push_back(generate.Text(5, 20, true));
        }
        const bool splitWords = generate.Pick(0, 1) == 1;

        std::string reply = "+OK message follows\r\n";
        reply += "Date: Tue, 8 Dec 2026 10:00:00 +0900\r\n";
        reply += "From: " + EncodedField(sender, splitWords) + " <s" + std::to_string(n) +
                 "@example.jp>\r\n";
        reply += "Subject: " + EncodedField(subject, splitWords) + "\r\n";
        reply += "Message-ID: <gen" + std::to_string(n) + "@example.jp>\r\n";
        reply += "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n";
        reply += "Content-Transfer-Encoding: 7bit\r\n\r\n";
        std::string jisBody;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string jis = ToJis(lines[i]);
            reply += (jis.empty() || jis[0] != '.' ? "" : ".") + jis + "\r\n";
            jisBody += jis + (i + 1 < lines.size() ? "\r\n" : "");
        }
        reply += ".\r\n";

        std::string expectedSender, expectedSubject, expectedBody;
        ASSERT_TRUE(oracle.Convert(ToJis(sender), expectedSender));
        ASSERT_TRUE(oracle.Convert(ToJis(subject), expectedSubject));
        ASSERT_TRUE(oracle.Convert(jisBody, expectedBody));
        expectedSender += " <s" + std::to_string(n) + "@example.jp>";

        const ExtractedMessage m = ExtractMessage(reply, false, 20);
        const std::string expectedViewer = "Subject: " + expectedSubject +
                                           "\r\nFrom: " + expectedSender +
                                           "\r\nDate: 2026/12/08 10:00:00\r\n\r\n" + expectedBody;
        const bool same = m.summary.sender == expectedSender &&
                          m.summary.subject == expectedSubject &&
                          m.summary.viewer == expectedViewer;
        if (!same) {
            ++failures;
            ADD_FAILURE() << "message " << n << ":\n" << reply;
            EXPECT_EQ(m.summary.sender, expectedSender);
            EXPECT_EQ(m.summary.subject, expectedSubject);
            EXPECT_EQ(m.summary.viewer, expectedViewer);
        }
    }
}

}  // namespace
}  // namespace pell
