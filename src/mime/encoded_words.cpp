#include "mime/encoded_words.h"

#include <algorithm>
#include <array>
#include <utility>

#include "mime/anchored_search.h"
#include "mime/japanese_encoding.h"
#include "startup/text_search.h"

namespace pell {
namespace {

constexpr std::string_view kWordStart = "=?ISO-2022-JP?";
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
    out.reserve(std::min(capacity, (encoded.size() / 4 + 1) * 3));
    const std::size_t limit = capacity >= 1 ? capacity - 1 : 0;
    for (std::size_t offset = 0; offset < encoded.size(); offset += 4) {
        const unsigned char a = kBase64Values[ByteAt(encoded, offset)];
        const unsigned char b = kBase64Values[ByteAt(encoded, offset + 1)];
        const unsigned char c = kBase64Values[ByteAt(encoded, offset + 2)];
        const unsigned char d = kBase64Values[ByteAt(encoded, offset + 3)];
        const unsigned char bytes[3] = {
            static_cast<unsigned char>((a << 2) | ShiftRightSigned(b, 4)),
            static_cast<unsigned char>((b << 4) | ShiftRightSigned(c, 2)),
            static_cast<unsigned char>((c << 6) | d),
        };
        if (out.size() >= limit)
            return kDecodeOutputFull;
        out += static_cast<char>(bytes[0]);
        if (c == kPadding)
            return kDecodeComplete;
        if (out.size() >= limit)
            return kDecodeOutputFull;
        out += static_cast<char>(bytes[1]);
        if (d == kPadding)
            return kDecodeComplete;
        if (out.size() >= limit)
            return kDecodeOutputFull;
        out += static_cast<char>(bytes[2]);
    }
    return kDecodeComplete;
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
        case kEncodingJis: {
            // The conversion overwrites a copy of the decoded text; if it stops
            // full, the rest of that copy stays behind what was converted.
            const std::size_t start = dest.size();
            if (AppendJisAsSjis(decoded, dest, decoded.size() + 1) == kConversionFull) {
                const std::size_t written = dest.size() - start;
                dest.append(decoded.substr(std::min(written, decoded.size())));
            }
            break;
        }
        case kEncodingEuc:
            AppendEucAsSjis(decoded, dest);
            break;
        case kEncodingShiftJis:
            dest.append(decoded);
            break;
    }
}

std::string DecodeEncodedWords(std::string_view source) {
    source = TextBeforeZero(source);
    std::string dest;
    dest.reserve(source.size());
    std::string decoded;
    std::size_t p = 0;
    for (;;) {
        const std::size_t q = FindNoCaseAnchored(source, kWordStart, p);
        if (q == kNotFound)
            break;
        const std::string_view gap = source.substr(p, q - p);
        if (gap != " ")
            dest.append(gap);
        // The encoding letter, one byte skipped unchecked, then the encoded text.
        const std::size_t letterAt = q + kWordStart.size();
        const std::size_t textAt = letterAt + 2;
        if (textAt > source.size()) {
            p = q;
            break;
        }
        const std::size_t end = FindText(source, kWordEnd, textAt);
        if (end == kNotFound) {
            p = q;
            break;
        }
        p = end + kWordEnd.size();
        const std::string_view encoded = source.substr(textAt, end - textAt);
        const char letter = source[letterAt];
        if (letter == 'B' || letter == 'b') {
            DecodeBase64(encoded, decoded, std::max(kWordBufferSize, encoded.size() + 1));
        } else if (letter == 'Q' || letter == 'q') {
            DecodeQuoted(encoded, decoded);
        } else {
            decoded.clear();
        }
        ConvertToSjisAppend(dest, decoded);
    }
    dest.append(source.substr(p));
    return dest;
}

void DecodeHeaderText(std::string& value) {
    const std::string_view text = TextBeforeZero(value);
    if (text.empty()) {
        value.resize(text.size());
        return;
    }
    std::string decoded = DecodeEncodedWords(text);
    // Never longer than the value, by construction of every step above.
    if (decoded.size() > text.size())
        decoded.resize(text.size());
    value = std::move(decoded);
}

}  // namespace pell
