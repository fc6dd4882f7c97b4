#include "mime/japanese_encoding.h"

#include <algorithm>
#include <cstring>

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

// Every pair the two-byte state converts, worked out at compile time.
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
        }
    }
    return table;
}
constexpr PairTable kPairTable = MakePairTable();

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
    const std::size_t start = out.size();
    // Nothing is ever longer than its source, so one allocation suffices.
    out.resize(start + std::min(source.size(), capacity));
    auto* const begin = reinterpret_cast<unsigned char*>(out.data() + start);
    unsigned char* w = begin;
    const auto* const s = reinterpret_cast<const unsigned char*>(source.data());
    const std::size_t n = source.size();
    // Written bytes are checked the way a fixed buffer that keeps one byte for
    // its terminator would be: a single byte ends the conversion once
    // `capacity - 1` bytes are out, a pair is not begun with fewer than three
    // bytes of room.
    const std::size_t singleLimit = capacity >= 1 ? capacity - 1 : 0;
    const std::size_t pairLimit = capacity >= 3 ? capacity - 3 : 0;
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
                if (capacity < 3 || static_cast<std::size_t>(w - begin) >= pairLimit) {
                    full = true;
                    break;
                }
                std::memcpy(w, kPairTable.bytes[(s[i] - 0x21) * 0x5E + (s[i + 1] - 0x21)], 2);
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
        // A run of single bytes up to the next ESC (or, in the two-byte state,
        // just the one byte that could not start a pair).
        std::size_t run = 1;
        if (state != 1) {
            const void* esc = std::memchr(s + i + 1, kEsc, n - i - 1);
            run = (esc != nullptr ? static_cast<const unsigned char*>(esc) : s + n) - (s + i);
        }
        const std::size_t count = static_cast<std::size_t>(w - begin);
        if (count + run >= singleLimit) {
            run = singleLimit > count ? singleLimit - count : 1;
            full = true;
        }
        if (state == 2) {
            for (std::size_t k = 0; k < run; ++k)
                w[k] = s[i + k] | 0x80;
        } else {
            std::memcpy(w, s + i, run);
        }
        w += run;
        i += run;
    }
    const std::size_t written = static_cast<std::size_t>(w - begin);
    out.resize(start + written);
    return full ? kConversionFull : static_cast<int>(written);
}

std::string ConvertEucToSjis(std::string_view source) {
    std::string out;
    AppendEucAsSjis(source, out);
    return out;
}

void AppendEucAsSjis(std::string_view source, std::string& out) {
    source = TextBeforeZero(source);
    out.reserve(out.size() + source.size());
    const std::size_t n = source.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = ByteAt(source, i);
        if (IsEucByte(c)) {
            if (i + 1 >= n) {
                // A lead byte without its second byte: kept as it is, so the
                // text never grows.
                out += static_cast<char>(c);
                break;
            }
            std::array<unsigned char, 3> pair;
            JisPairToSjis(static_cast<unsigned char>(c - 0x80),
                          static_cast<unsigned char>(ByteAt(source, i + 1) - 0x80), pair);
            // The pair is appended as a text: a second byte that wrapped to zero ends it.
            out += static_cast<char>(pair[0]);
            if (pair[1] != 0)
                out += static_cast<char>(pair[1]);
            ++i;
        } else if (c == 0x8E && IsEucKanaByte(ByteAt(source, i + 1))) {
            out += source[i + 1];
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
}

}  // namespace pell
