#include "mime/japanese_encoding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "mime/unicode_cp932.h"

namespace pell {
namespace {

constexpr unsigned char kEsc = 0x1B;

unsigned char ByteAt(std::string_view text, std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

// Shift state chosen by the escape sequence at `i`, or -1 when none starts there.
int EscapeShiftState(std::string_view text, std::size_t i) {
    const unsigned char b1 = ByteAt(text, i + 1);
    const unsigned char b2 = ByteAt(text, i + 2);
    if (b1 == '$' && (b2 == 'B' || b2 == '@'))
        return 1;
    if (b1 == '(') {
        if (b2 == 'I')
            return 2;
        if (b2 == 'B' || b2 == 'J')
            return 0;
    }
    return -1;
}

constexpr void PairToSjis(unsigned char c1, unsigned char c2, unsigned char& s1,
                          unsigned char& s2) {
    s1 = static_cast<unsigned char>(((c1 + 1) >> 1) + (c1 < 0x5F ? 0x70 : 0xB0));
    if (c1 & 1) {
        s2 = static_cast<unsigned char>(c2 + (c2 < 0x60 ? 0x1F : 0x20));
    } else {
        s2 = static_cast<unsigned char>(c2 + 0x7E);
    }
}

// Bytes that make a pair in the two-byte state: 0x21-0x7D, then 0x21-0x7E.
bool IsPairFirst(unsigned char c) {
    return static_cast<unsigned char>(c - 0x21) < 0x5D;
}
bool IsPairSecond(unsigned char c) {
    return static_cast<unsigned char>(c - 0x21) < 0x5E;
}

#include "mime/charset_table_data.inc"

// Whether code page 932 has a character for the pair s1 s2 (s1 a lead byte).
constexpr bool IsCp932Pair(unsigned char s1, unsigned char s2) {
    const int row = s1 <= 0x9F ? s1 - 0x81 : s1 - 0xE0 + 31;
    const int cell = s2 <= 0x7E ? s2 - 0x40 : s2 - 0x80 + 63;
    return row >= 0 && row < 60 && s2 >= 0x40 && s2 != 0x7F && s2 <= 0xFC &&
           kCp932Rows[row][cell] != 0;
}

// Every pair the two-byte state converts: its Shift_JIS code, or the mark for
// a code with no character in code page 932 (the rows that carriers fill with
// their emoji, for one). Worked out at compile time.
struct PairTable {
    unsigned char bytes[0x5D * 0x5E][2] = {};
};
constexpr PairTable MakePairTable() {
    PairTable table;
    for (unsigned c1 = 0x21; c1 <= 0x7D; ++c1) {
        for (unsigned c2 = 0x21; c2 <= 0x7E; ++c2) {
            auto& entry = table.bytes[(c1 - 0x21) * 0x5E + (c2 - 0x21)];
            PairToSjis(static_cast<unsigned char>(c1), static_cast<unsigned char>(c2), entry[0],
                       entry[1]);
            if (!IsCp932Pair(entry[0], entry[1])) {
                entry[0] = static_cast<unsigned char>(kUnmappableMark[0]);
                entry[1] = static_cast<unsigned char>(kUnmappableMark[1]);
            }
        }
    }
    return table;
}
constexpr PairTable kPairTable = MakePairTable();

inline bool IsSjisTrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// One character that starts with a byte >= 0x80 outside the two-byte state,
// taken as Shift_JIS: `in` source bytes give the `length` bytes of `bytes`
// (the character itself, or the mark).
void EightBitCharacter(const unsigned char* s, std::size_t n, std::size_t i, unsigned char* bytes,
                       std::size_t& in, std::size_t& length) {
    const unsigned char c = s[i];
    if (c >= 0xA1 && c <= 0xDF) {
        bytes[0] = c;
        in = length = 1;
        return;
    }
    in = 1;
    length = 2;
    if (IsSjisLeadByte(c) && i + 1 < n && IsSjisTrailByte(s[i + 1])) {
        in = 2;
        if (Cp932Scalar(c, s[i + 1]) != 0) {
            bytes[0] = c;
            bytes[1] = s[i + 1];
            return;
        }
    }
    bytes[0] = static_cast<unsigned char>(kUnmappableMark[0]);
    bytes[1] = static_cast<unsigned char>(kUnmappableMark[1]);
}

// The bytes from s[i] on below 0x80 and other than ESC.
std::size_t SevenBitRun(const unsigned char* s, std::size_t n, std::size_t i) {
    std::size_t k = i;
    while (k + 8 <= n) {
        std::uint64_t chunk;
        std::memcpy(&chunk, s + k, 8);
        constexpr std::uint64_t kOnes = 0x0101010101010101ull;
        const std::uint64_t esc = chunk ^ (kEsc * kOnes);
        // A byte >= 0x80, or a byte equal to ESC.
        if ((chunk | ((esc - kOnes) & ~esc)) & (0x80 * kOnes))
            break;
        k += 8;
    }
    while (k < n && s[k] < 0x80 && s[k] != kEsc)
        ++k;
    return k - i;
}

}  // namespace

std::string_view TextBeforeZero(std::string_view text) {
    // An empty view may have no data at all, which memchr must not get.
    if (text.empty())
        return text;
    const void* zero = std::memchr(text.data(), 0, text.size());
    if (zero == nullptr)
        return text;
    return text.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - text.data()));
}

JapaneseEncoding DetectJapaneseEncoding(std::string_view text) {
    text = TextBeforeZero(text);
    const std::size_t n = text.size();
    if (n < 2)
        return kEncodingEuc;
    // "ESC $" anywhere decides, whatever was counted before it.
    const char* const data = text.data();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const void* esc = std::memchr(data + i, kEsc, n - 1 - i);
        if (esc == nullptr)
            break;
        i = static_cast<std::size_t>(static_cast<const char*>(esc) - data);
        if (data[i + 1] == '$')
            return kEncodingJis;
    }
    std::size_t euc = 0;
    std::size_t sjis = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const unsigned char c = ByteAt(text, i);
        const unsigned char next = ByteAt(text, i + 1);
        if (IsEucByte(c) && IsEucByte(next))
            ++euc;
        if (c == 0x8E && IsEucKanaByte(next))
            ++euc;
        if (c == 0x8F && IsEucKanaByte(next) && IsEucKanaByte(ByteAt(text, i + 2)))
            ++euc;
        if (IsSjisLeadByte(c))
            ++sjis;
    }
    return sjis > euc ? kEncodingShiftJis : kEncodingEuc;
}

int JisPairToSjis(unsigned char c1, unsigned char c2, std::array<unsigned char, 3>& out) {
    out = {0, 0, 0};
    if (c1 < 0x21 || c1 > 0x7E)
        return 1;
    PairToSjis(c1, c2, out[0], out[1]);
    return 0;
}

int ConvertJisToSjis(std::string_view source, std::string& out, std::size_t capacity) {
    out.clear();
    return AppendJisAsSjis(source, out, capacity);
}

int AppendJisAsSjis(std::string_view source, std::string& out, std::size_t capacity) {
    source = TextBeforeZero(source);
    const PairTable& pairs = kPairTable;
    const std::size_t start = out.size();
    const auto* const s = reinterpret_cast<const unsigned char*>(source.data());
    const std::size_t n = source.size();
    // No source byte gives more than two bytes, so one allocation suffices.
    out.resize(start + std::min(2 * n, capacity));
    auto* const begin = reinterpret_cast<unsigned char*>(out.data() + start);
    unsigned char* w = begin;
    // Written bytes are checked the way a fixed buffer that keeps one byte for
    // its terminator would be: a single byte ends the conversion once
    // `capacity - 1` bytes are out, two bytes are not begun with fewer than
    // three bytes of room.
    const std::size_t singleLimit = capacity >= 1 ? capacity - 1 : 0;
    const std::size_t pairLimit = capacity >= 3 ? capacity - 3 : 0;
    auto roomForTwo = [&] {
        return capacity >= 3 && static_cast<std::size_t>(w - begin) < pairLimit;
    };
    int state = 0;
    std::size_t i = 0;
    bool full = false;
    while (i < n && !full) {
        if (s[i] == kEsc) {
            const int next = EscapeShiftState(source, i);
            if (next >= 0) {
                state = next;
                i += 3;
                continue;
            }
        }
        if (state == 1) {
            // A run of pairs; anything else (CR, LF, blanks, a stray ESC)
            // leaves the loop and passes as one single byte below.
            while (i + 1 < n && IsPairFirst(s[i]) && IsPairSecond(s[i + 1])) {
                if (!roomForTwo()) {
                    full = true;
                    break;
                }
                std::memcpy(w, pairs.bytes[(s[i] - 0x21) * 0x5E + (s[i + 1] - 0x21)], 2);
                w += 2;
                i += 2;
            }
            if (full || i >= n || (s[i] == kEsc && EscapeShiftState(source, i) >= 0))
                continue;
        }
        if (capacity == 0) {
            full = true;
            break;
        }
        const unsigned char c = s[i];
        unsigned char bytes[2] = {c, 0};
        std::size_t in = 1;
        std::size_t length = 1;
        if (c >= 0x80) {
            EightBitCharacter(s, n, i, bytes, in, length);
        } else if (state == 2) {
            // JIS X 0201 katakana are 21-5F; controls and blanks stay themselves.
            if (c >= 0x21 && c <= 0x5F) {
                bytes[0] = c | 0x80;
            } else if (c >= 0x60) {
                bytes[0] = static_cast<unsigned char>(kUnmappableMark[0]);
                bytes[1] = static_cast<unsigned char>(kUnmappableMark[1]);
                length = 2;
            }
        } else {
            // A run of 7-bit bytes up to the next ESC or 8-bit byte (or, in the
            // two-byte state, just the one byte that could not start a pair).
            std::size_t run = state == 0 ? std::max<std::size_t>(1, SevenBitRun(s, n, i)) : 1;
            const std::size_t count = static_cast<std::size_t>(w - begin);
            if (count + run >= singleLimit) {
                run = singleLimit > count ? singleLimit - count : 1;
                full = true;
            }
            std::memcpy(w, s + i, run);
            w += run;
            i += run;
            continue;
        }
        if (length == 2 && !roomForTwo()) {
            full = true;
            break;
        }
        std::memcpy(w, bytes, length);
        w += length;
        i += in;
        if (length == 1 && static_cast<std::size_t>(w - begin) >= singleLimit)
            full = true;
    }
    const std::size_t written = static_cast<std::size_t>(w - begin);
    out.resize(start + written);
    return full ? kConversionFull : static_cast<int>(written);
}

void AppendJisText(std::string_view source, std::string& dest) {
    AppendJisAsSjis(source, dest, static_cast<std::size_t>(-1));
}

std::string ConvertEucToSjis(std::string_view source) {
    std::string out;
    AppendEucAsSjis(source, out);
    return out;
}

void AppendEucAsSjis(std::string_view source, std::string& out) {
    AppendEucJpChecked(TextBeforeZero(source), out, CutTail::kMark);
}

void AppendEucJpChecked(std::string_view text, std::string& out, CutTail tail) {
    const std::size_t n = text.size();
    out.reserve(out.size() + n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += text[i];
            continue;
        }
        // Bytes this character needs: a pair, a kana behind 0x8E, or a JIS X
        // 0212 character behind 0x8F.
        const std::size_t need = c == 0x8F ? 3 : ((c == 0x8E || IsEucByte(c)) ? 2 : 1);
        if (need == 1) {
            out.append(kUnmappableMark);
            continue;
        }
        if (i + need > n) {
            if (tail == CutTail::kMark)
                out.append(kUnmappableMark);
            break;
        }
        const auto c2 = static_cast<unsigned char>(text[i + 1]);
        if (c == 0x8E) {
            if (IsEucKanaByte(c2)) {
                out += static_cast<char>(c2);
                ++i;
            } else {
                out.append(kUnmappableMark);
            }
            continue;
        }
        if (c == 0x8F) {
            // Code page 932 has no code for the supplementary kanji.
            if (IsEucByte(c2) && IsEucByte(static_cast<unsigned char>(text[i + 2])))
                i += 2;
            out.append(kUnmappableMark);
            continue;
        }
        if (!IsEucByte(c2)) {
            out.append(kUnmappableMark);  // the lead byte alone; the next byte is read again
            continue;
        }
        if (c - 0x80 <= 0x7D) {
            const unsigned char* pair =
                kPairTable.bytes[(c - 0x80 - 0x21) * 0x5E + (c2 - 0x80 - 0x21)];
            out += static_cast<char>(pair[0]);
            out += static_cast<char>(pair[1]);
        } else {
            out.append(kUnmappableMark);  // row 94 (lead byte FE) has no character
        }
        ++i;
    }
}

}  // namespace pell
