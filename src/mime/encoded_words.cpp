#include "mime/encoded_words.h"

#include <algorithm>
#include <array>
#include <utility>

#include "mime/charsets.h"
#include "mime/japanese_encoding.h"
#include "mime/transfer_encoding.h"
#include "startup/text_search.h"

namespace pell {
namespace {

constexpr std::string_view kWordEnd = "?=";
// One encoded-word was decoded in buffers of this size; longer words get
// buffers to fit, so nothing of them is lost.
constexpr std::size_t kWordBufferSize = 512;

constexpr std::array<unsigned char, 256> MakeBase64Values() {
    std::array<unsigned char, 256> values{};
    for (int i = 0; i < 256; ++i)
        values[i] = static_cast<unsigned char>(i);
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
    for (std::size_t i = 0; i < alphabet.size(); ++i) {
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<unsigned char>(i);
    }
    return values;
}
constexpr std::array<unsigned char, 256> kBase64Values = MakeBase64Values();
constexpr unsigned char kPadding = 64;

// Right shift of a byte taken as signed: the sign bit fills in from the left.
unsigned char ShiftRightSigned(unsigned char v, int bits) {
    unsigned int r = v >> bits;
    if (v & 0x80)
        r |= (0xFFu << (8 - bits)) & 0xFFu;
    return static_cast<unsigned char>(r);
}

unsigned char ByteAt(std::string_view text, std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

// Value of one hex digit; lower and upper case letters alike, other bytes by
// the same arithmetic, masked to four bits.
unsigned char HexDigitValue(unsigned char c) {
    int d = static_cast<signed char>(static_cast<unsigned char>(c - 0x30));
    if (d > 10)
        d -= 7;
    return static_cast<unsigned char>(static_cast<unsigned int>(d) & 0x0Fu);
}

}  // namespace

int DecodeBase64(std::string_view encoded, std::string& out, std::size_t capacity) {
    out.clear();
    if (encoded.empty())
        return kDecodeComplete;
    const std::size_t limit = capacity >= 1 ? capacity - 1 : 0;
    // Written through a pointer into a buffer of the most it can hold.
    out.resize(std::min(limit, (encoded.size() + 3) / 4 * 3));
    char* const w = out.data();
    std::size_t count = 0;
    int result = kDecodeComplete;
    for (std::size_t offset = 0; offset < encoded.size(); offset += 4) {
        const unsigned char a = kBase64Values[ByteAt(encoded, offset)];
        const unsigned char b = kBase64Values[ByteAt(encoded, offset + 1)];
        const unsigned char c = kBase64Values[ByteAt(encoded, offset + 2)];
        const unsigned char d = kBase64Values[ByteAt(encoded, offset + 3)];
        if (count >= limit) {
            result = kDecodeOutputFull;
            break;
        }
        w[count++] = static_cast<char>((a << 2) | ShiftRightSigned(b, 4));
        if (c == kPadding)
            break;
        if (count >= limit) {
            result = kDecodeOutputFull;
            break;
        }
        w[count++] = static_cast<char>((b << 4) | ShiftRightSigned(c, 2));
        if (d == kPadding)
            break;
        if (count >= limit) {
            result = kDecodeOutputFull;
            break;
        }
        w[count++] = static_cast<char>((c << 6) | d);
    }
    out.resize(count);
    return result;
}

void DecodeQuoted(std::string_view encoded, std::string& out) {
    out.clear();
    out.reserve(encoded.size());
    std::size_t i = 0;
    while (i < encoded.size()) {
        const char c = encoded[i];
        if (c == '=') {
            const unsigned char high = HexDigitValue(ByteAt(encoded, i + 1));
            const unsigned char low = HexDigitValue(ByteAt(encoded, i + 2));
            out += static_cast<char>((high << 4) | low);
            i += 3;
        } else {
            out += c;
            ++i;
        }
    }
}

void ConvertToSjisAppend(std::string& dest, std::string_view decoded) {
    decoded = TextBeforeZero(decoded);
    switch (DetectJapaneseEncoding(decoded)) {
        case kEncodingJis:
            AppendJisText(decoded, dest);
            break;
        case kEncodingEuc:
            AppendEucAsSjis(decoded, dest);
            break;
        case kEncodingShiftJis:
            AppendShiftJisAsCp932(decoded, dest);
            break;
    }
}

namespace {

// Bytes of a charset label: printable ASCII without the separators of an
// encoded-word and the quote.
bool IsLabelByte(unsigned char c) {
    return c > 0x20 && c < 0x7F && c != '?' && c != '=' && c != '"';
}

bool IsFoldingBlank(std::string_view gap) {
    for (char c : gap) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return true;
}

// Decoded bytes of adjacent words in one charset, converted together so that a
// character split across two words comes out whole. A lone word is converted
// from where it was decoded; the bytes are copied only when a second word joins
// it, so the caller must not change the bytes of the last word added before the
// next Add or Flush.
class PendingRun {
  public:
    explicit PendingRun(std::string& dest) : dest_(dest) {}

    void Add(Charset charset, std::string_view bytes) {
        if (active_ && charset != charset_)
            Flush();
        if (!active_) {
            charset_ = charset;
            active_ = true;
            pending_ = bytes;
            return;
        }
        if (!joined_) {
            bytes_.assign(pending_);
            joined_ = true;
        }
        bytes_.append(bytes);
    }

    void Flush() {
        if (!active_)
            return;
        const std::string_view bytes = joined_ ? std::string_view(bytes_) : pending_;
        if (charset_.kind == CharsetKind::kIso2022Jp) {
            // The label is not trusted: the bytes are converted by what they look like.
            ConvertToSjisAppend(dest_, bytes);
        } else {
            AppendCharsetAsCp932(charset_, bytes, dest_);
        }
        bytes_.clear();
        pending_ = {};
        active_ = false;
        joined_ = false;
    }

  private:
    std::string& dest_;
    Charset charset_;
    std::string_view pending_;  // the bytes of a lone word
    std::string bytes_;         // the bytes of two or more words
    bool active_ = false;
    bool joined_ = false;
};

}  // namespace

std::string DecodeEncodedWords(std::string_view source) {
    source = TextBeforeZero(source);
    std::string dest;
    // A UTF-8 word is converted in a buffer of twice its decoded bytes, which
    // are fewer than the encoded ones.
    dest.reserve(2 * source.size());
    // Text outside the words is copied as it is, unless the whole value is
    // UTF-8 written raw into the field.
    const bool rawUtf8 = IsNonAsciiUtf8(source);
    auto appendText = [&](std::string_view text) {
        if (rawUtf8) {
            AppendUtf8AsCp932(text, dest);
        } else if (HasEightBitBytes(text)) {
            // Raw Shift_JIS stays; bytes that make no character are marked.
            AppendShiftJisAsCp932(text, dest);
        } else {
            dest.append(text);
        }
    };
    PendingRun run(dest);
    // Two buffers taken in turn: the run may still point into the last one.
    std::string buffers[2];
    int turn = 0;
    const std::size_t n = source.size();
    std::size_t p = 0;       // start of the text not yet copied
    std::size_t from = 0;    // where the next word start is looked for
    bool afterWord = false;  // p lies right behind a decoded word
    for (;;) {
        const std::size_t q = source.find("=?", from);
        if (q == std::string_view::npos)
            break;
        std::size_t labelEnd = q + 2;
        while (labelEnd < n && IsLabelByte(static_cast<unsigned char>(source[labelEnd])))
            ++labelEnd;
        if (labelEnd == q + 2 || labelEnd >= n || source[labelEnd] != '?') {
            from = q + 1;
            continue;
        }
        // The encoding letter, one byte skipped unchecked, then the encoded text.
        const std::size_t letterAt = labelEnd + 1;
        const std::size_t textAt = letterAt + 2;
        if (textAt > n)
            break;
        const std::size_t end = FindText(source, kWordEnd, textAt);
        if (end == kNotFound)
            break;  // an unfinished word: it and all behind it stay as they are
        const Charset charset = CharsetFromLabel(source.substr(q + 2, labelEnd - q - 2));
        if (charset.kind == CharsetKind::kUnknown) {
            from = end + kWordEnd.size();  // a word of another charset stays verbatim
            continue;
        }
        const std::string_view gap = source.substr(p, q - p);
        if (gap.empty() || (afterWord && IsFoldingBlank(gap)) || gap == " ") {
            // Blanks between two words, and one blank before the first, go.
        } else {
            run.Flush();
            appendText(gap);
        }
        const std::string_view encoded = source.substr(textAt, end - textAt);
        std::string& decoded = buffers[turn];
        turn = 1 - turn;
        const char letter = source[letterAt];
        const bool jis = charset.kind == CharsetKind::kIso2022Jp;
        if (letter == 'B' || letter == 'b') {
            if (jis) {
                DecodeBase64(encoded, decoded, std::max(kWordBufferSize, encoded.size() + 1));
            } else {
                DecodeBase64Lenient(encoded, decoded);
            }
        } else if (letter == 'Q' || letter == 'q') {
            if (jis) {
                DecodeQuoted(encoded, decoded);
            } else {
                decoded = DecodeQEncoding(encoded);
            }
        } else {
            decoded.clear();
        }
        // A zero byte ends the text of its own word.
        run.Add(charset, TextBeforeZero(decoded));
        p = end + kWordEnd.size();
        from = p;
        afterWord = true;
    }
    run.Flush();
    appendText(source.substr(p));
    return dest;
}

void DecodeHeaderText(std::string& value) {
    const std::string_view text = TextBeforeZero(value);
    if (text.empty()) {
        value.resize(text.size());
        return;
    }
    value = DecodeEncodedWords(text);
}

}  // namespace pell
