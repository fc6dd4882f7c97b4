#include "mime/unicode_cp932.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

namespace pell {
namespace {

#include "mime/charset_table_data.inc"

constexpr unsigned kTrailCount = 188;  // 40-7E and 80-FC

int LeadIndex(unsigned char lead) {
    if (lead >= 0x81 && lead <= 0x9F)
        return lead - 0x81;
    if (lead >= 0xE0 && lead <= 0xFC)
        return lead - 0xE0 + 31;
    return -1;
}

int TrailIndex(unsigned char trail) {
    if (trail >= 0x40 && trail <= 0x7E)
        return trail - 0x40;
    if (trail >= 0x80 && trail <= 0xFC)
        return trail - 0x80 + 63;
    return -1;
}

unsigned char LeadAt(int index) {
    return static_cast<unsigned char>(index < 31 ? 0x81 + index : 0xE0 + index - 31);
}
unsigned char TrailAt(unsigned index) {
    return static_cast<unsigned char>(index < 63 ? 0x40 + index : 0x80 + index - 63);
}

// Code of each Basic Multilingual Plane scalar in pages of 256: 0 for none
// (U+0000 itself is handled before the lookup), kDrop for nothing at all.
constexpr std::uint16_t kNone = 0;
constexpr std::uint16_t kDrop = 0xFFFF;
// Only in the page that pageOfThreeByte gives to the scalars that a three-byte
// sequence must not carry (overlong forms below U+0800, surrogates).
constexpr std::uint16_t kNotThreeByte = 0xFFFE;

struct EncodeTable {
    std::array<std::uint8_t, 256> pageOf{};  // 0: no page
    // As pageOf, for the scalars of three-byte sequences: one lookup both
    // checks the sequence and finds the code.
    std::array<std::uint8_t, 256> pageOfThreeByte{};
    std::unique_ptr<std::uint16_t[][256]> pages;

    EncodeTable() {
        // Which pages hold codes decides the page numbers.
        std::array<bool, 256> used{};
        auto mark = [&used](unsigned scalar) { used[scalar >> 8] = true; };
        for (unsigned b = 0; b < 256; ++b) {
            if (kCp932Single[b] != 0)
                mark(kCp932Single[b]);
        }
        for (const auto& row : kCp932Rows) {
            for (std::uint16_t scalar : row) {
                if (scalar != 0)
                    mark(scalar);
            }
        }
        for (const auto& pair : kCp932Preferred)
            mark(pair[0]);
        for (const auto& pair : kMailMappings)
            mark(pair[0]);
        for (std::uint16_t scalar : kDropped)
            mark(scalar);
        unsigned count = 1;  // page 0 stays empty for the pages without codes
        for (unsigned p = 0; p < 256; ++p) {
            if (used[p])
                pageOf[p] = static_cast<std::uint8_t>(count++);
        }
        const unsigned notThreeBytePage = count++;
        pageOfThreeByte = pageOf;
        for (unsigned p = 0x00; p <= 0x07; ++p)
            pageOfThreeByte[p] = static_cast<std::uint8_t>(notThreeBytePage);
        for (unsigned p = 0xD8; p <= 0xDF; ++p)
            pageOfThreeByte[p] = static_cast<std::uint8_t>(notThreeBytePage);
        pages.reset(new std::uint16_t[count][256]());
        for (std::uint16_t& slot : pages[notThreeBytePage])
            slot = kNotThreeByte;
        auto set = [this](unsigned scalar, std::uint16_t code, bool overwrite) {
            std::uint16_t& slot = pages[pageOf[scalar >> 8]][scalar & 0xFF];
            if (overwrite || slot == kNone)
                slot = code;
        };
        // The first code in code order that decodes to a scalar is its code,
        // unless the preferred list says otherwise.
        for (unsigned b = 0; b < 256; ++b) {
            if (kCp932Single[b] != 0)
                set(kCp932Single[b], static_cast<std::uint16_t>(b), false);
        }
        for (int lead = 0; lead < static_cast<int>(std::size(kCp932Rows)); ++lead) {
            for (unsigned trail = 0; trail < kTrailCount; ++trail) {
                const std::uint16_t scalar = kCp932Rows[lead][trail];
                if (scalar != 0)
                    set(scalar, static_cast<std::uint16_t>((LeadAt(lead) << 8) | TrailAt(trail)),
                        false);
            }
        }
        for (const auto& pair : kCp932Preferred)
            set(pair[0], pair[1], true);
        for (const auto& pair : kMailMappings)
            set(pair[0], pair[1], true);
        for (std::uint16_t scalar : kDropped)
            set(scalar, kDrop, true);
    }

    std::uint16_t Code(char32_t scalar) const {
        if (scalar > 0xFFFF)
            return kNone;
        return pages[pageOf[scalar >> 8]][scalar & 0xFF];
    }
};

// Never destroyed: a worker may still be decoding a mail while the program
// ends.
const EncodeTable& Table() {
    static const EncodeTable* table = new EncodeTable;
    return *table;
}

// Writes the code of `scalar` at `w` and returns the new end.
inline char* PutScalar(const EncodeTable& table, char32_t scalar, char* w) {
    if (scalar == 0) {
        *w++ = '\0';
        return w;
    }
    const std::uint16_t code = table.Code(scalar);
    if (code == kNone) {
        std::memcpy(w, kUnmappableMark.data(), 2);
        return w + 2;
    }
    if (code == kDrop)
        return w;
    if (code < 0x100) {
        *w++ = static_cast<char>(code);
        return w;
    }
    w[0] = static_cast<char>(code >> 8);
    w[1] = static_cast<char>(code & 0xFF);
    return w + 2;
}

// Four bytes read from memory as the number whose lowest byte is the first.
inline std::uint32_t LittleEndian(std::uint32_t raw) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return __builtin_bswap32(raw);
#else
    return raw;
#endif
}

inline bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length announced by a lead byte; 1 for bytes that start nothing.
inline unsigned SequenceLength(unsigned char c) {
    if (c >= 0xC0 && c <= 0xDF)
        return 2;
    if (c >= 0xE0 && c <= 0xEF)
        return 3;
    if (c >= 0xF0 && c <= 0xF7)
        return 4;
    return 1;
}

struct Decoded {
    char32_t scalar;  // valid only when ok
    unsigned length;  // bytes consumed
    bool ok;
    bool cut;  // the text ended inside the sequence
};

// One sequence starting with a byte >= 0x80 at s[i].
inline Decoded DecodeSequence(const unsigned char* s, std::size_t n, std::size_t i) {
    const unsigned char lead = s[i];
    if (IsContinuation(lead)) {
        // A stray run of continuation bytes is one lost character (at most
        // three of them make one mark).
        unsigned length = 1;
        while (length < 3 && i + length < n && IsContinuation(s[i + length]))
            ++length;
        return {0, length, false, false};
    }
    const unsigned want = SequenceLength(lead);
    if (want == 1)
        return {0, 1, false, false};
    unsigned length = 1;
    while (length < want && i + length < n && IsContinuation(s[i + length]))
        ++length;
    if (length < want)
        return {0, length, false, i + length == n};
    char32_t scalar = lead & (0x7F >> want);
    for (unsigned k = 1; k < want; ++k)
        scalar = (scalar << 6) | (s[i + k] & 0x3F);
    static constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    const bool ok =
        scalar >= kSmallest[want] && scalar <= 0x10FFFF && !(scalar >= 0xD800 && scalar <= 0xDFFF);
    return {scalar, want, ok, false};
}

// Copies the ASCII run at s[i..] to w; returns the bytes copied.
inline std::size_t CopyAscii(const unsigned char* s, std::size_t n, std::size_t i, char* w) {
    std::size_t k = i;
    while (k + 8 <= n) {
        std::uint64_t chunk;
        std::memcpy(&chunk, s + k, 8);
        if (chunk & 0x8080808080808080ull)
            break;
        std::memcpy(w + (k - i), &chunk, 8);
        k += 8;
    }
    while (k < n && s[k] < 0x80) {
        w[k - i] = static_cast<char>(s[k]);
        ++k;
    }
    return k - i;
}

}  // namespace

void AppendScalarAsCp932(char32_t scalar, std::string& out) {
    char buffer[2];
    char* end = PutScalar(Table(), scalar, buffer);
    out.append(buffer, static_cast<std::size_t>(end - buffer));
}

void AppendUtf8AsCp932(std::string_view utf8, std::string& out, CutTail tail) {
    const EncodeTable& table = Table();
    // Held in locals: the writes through `w` could otherwise alias them.
    const std::uint16_t(*const pages)[256] = table.pages.get();
    const std::uint8_t* const pageOfThreeByte = table.pageOfThreeByte.data();
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    const std::size_t start = out.size();
    // No input byte gives more than two output bytes.
    out.resize(start + 2 * n);
    char* const begin = out.data() + start;
    char* w = begin;
    std::size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            const std::size_t run = CopyAscii(s, n, i, w);
            w += run;
            i += run;
            continue;
        }
        // Kana and kanji are three bytes and two in code page 932: the common
        // case, a run of them decoded in place. Anything else (a single-byte
        // code, a dropped or unmapped character, a malformed sequence) leaves
        // the run for the general path below.
        const unsigned char* p = s + i;
        // Four bytes read at once (the fourth is not used), so one mask tests
        // the lead byte and both continuation bytes.
        while (s + n - p > 3) {
            std::uint32_t bytes;
            std::memcpy(&bytes, p, 4);
            bytes = LittleEndian(bytes);
            if ((bytes & 0xC0C0F0u) != 0x8080E0u)
                break;
            const unsigned scalar =
                ((bytes & 0x0Fu) << 12) | ((bytes & 0x3F00u) >> 2) | ((bytes >> 16) & 0x3Fu);
            const std::uint16_t code = pages[pageOfThreeByte[scalar >> 8]][scalar & 0xFF];
            if (code <= 0xFF || code >= kNotThreeByte)
                break;
            w[0] = static_cast<char>(code >> 8);
            w[1] = static_cast<char>(code & 0xFF);
            w += 2;
            p += 3;
        }
        // The last character of the text.
        if (s + n - p >= 3 && (p[0] & 0xF0) == 0xE0 && (p[1] & 0xC0) == 0x80 &&
            (p[2] & 0xC0) == 0x80) {
            const unsigned scalar = ((p[0] & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
            const std::uint16_t code = pages[pageOfThreeByte[scalar >> 8]][scalar & 0xFF];
            if (code > 0xFF && code < kNotThreeByte) {
                w[0] = static_cast<char>(code >> 8);
                w[1] = static_cast<char>(code & 0xFF);
                w += 2;
                p += 3;
            }
        }
        if (p != s + i) {
            i = static_cast<std::size_t>(p - s);
            continue;
        }
        const Decoded d = DecodeSequence(s, n, i);
        i += d.length;
        if (d.ok) {
            w = PutScalar(table, d.scalar, w);
        } else if (!(d.cut && tail == CutTail::kDrop)) {
            std::memcpy(w, kUnmappableMark.data(), 2);
            w += 2;
        }
    }
    out.resize(start + static_cast<std::size_t>(w - begin));
}

bool HasEightBitBytes(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    for (; end - p >= 8; p += 8) {
        std::uint64_t chunk;
        std::memcpy(&chunk, p, 8);
        if (chunk & 0x8080808080808080ull)
            return true;
    }
    for (; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return true;
    }
    return false;
}

bool IsNonAsciiUtf8(std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    bool nonAscii = false;
    std::size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            while (i + 8 <= n) {
                std::uint64_t chunk;
                std::memcpy(&chunk, s + i, 8);
                if (chunk & 0x8080808080808080ull)
                    break;
                i += 8;
            }
            while (i < n && s[i] < 0x80)
                ++i;
            continue;
        }
        const Decoded d = DecodeSequence(s, n, i);
        if (!d.ok)
            return false;
        nonAscii = true;
        i += d.length;
    }
    return nonAscii;
}

int SingleByteCharsetIndex(std::string_view upperName) {
    for (std::size_t i = 0; i < std::size(kLatinTables); ++i) {
        if (upperName == kLatinTables[i].name)
            return static_cast<int>(i);
    }
    return -1;
}

void AppendSingleByteAsCp932(int charset, std::string_view text, std::string& out) {
    if (charset < 0 || charset >= static_cast<int>(std::size(kLatinTables)))
        return;
    const LatinTable& set = kLatinTables[charset];
    const EncodeTable& table = Table();
    const std::size_t start = out.size();
    out.resize(start + 2 * text.size());
    char* const begin = out.data() + start;
    char* w = begin;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            *w++ = c;
            continue;
        }
        const char32_t scalar = byte >= set.first ? set.scalars[byte - set.first] : 0;
        if (scalar == 0) {
            std::memcpy(w, kUnmappableMark.data(), 2);
            w += 2;
        } else {
            w = PutScalar(table, scalar, w);
        }
    }
    out.resize(start + static_cast<std::size_t>(w - begin));
}

int DoubleByteCharsetIndex(std::string_view upperName) {
    for (std::size_t i = 0; i < std::size(kDoubleByteTables); ++i) {
        if (upperName == kDoubleByteTables[i].name)
            return static_cast<int>(i);
    }
    return -1;
}

namespace {

bool HasBit(const std::uint32_t* words, unsigned bit) {
    return (words[bit / 32] >> (bit % 32)) & 1u;
}

// The scalar of a pair of a double-byte set, or 0 when code page 932 cannot
// show it (or the pair is no code of the set).
char32_t DoubleByteScalar(const DoubleByteTable& set, unsigned lead, unsigned trail) {
    if (lead < kDoubleByteFirstLead || lead > kDoubleByteLastLead ||
        trail < kDoubleByteFirstTrail || trail > kDoubleByteLastTrail)
        return 0;
    const unsigned column = trail - kDoubleByteFirstTrail;
    const unsigned word = (lead - kDoubleByteFirstLead) * kDoubleByteWordsPerRow + column / 32;
    const std::uint32_t bits = set.bits[word];
    const std::uint32_t below = (1u << (column % 32)) - 1u;
    if (!((bits >> (column % 32)) & 1u))
        return 0;
    return set.scalars[set.ranks[word] + static_cast<unsigned>(__builtin_popcount(bits & below))];
}

inline bool IsDigitByte(unsigned char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

void AppendDoubleByteAsCp932(int charset, std::string_view text, std::string& out, CutTail tail) {
    if (charset < 0 || charset >= static_cast<int>(std::size(kDoubleByteTables)))
        return;
    const DoubleByteTable& set = kDoubleByteTables[charset];
    const bool gb18030 = std::string_view(set.name) == "GBK";
    const EncodeTable& table = Table();
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const std::size_t start = out.size();
    out.resize(start + 2 * n);
    char* const begin = out.data() + start;
    char* w = begin;
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            const std::size_t run = CopyAscii(s, n, i, w);
            w += run;
            i += run;
            continue;
        }
        const bool lead = c >= kDoubleByteFirstLead && c <= kDoubleByteLastLead;
        if (lead && i + 1 >= n) {
            // A character cut off by the end of the text.
            if (tail == CutTail::kMark) {
                std::memcpy(w, kUnmappableMark.data(), 2);
                w += 2;
            }
            break;
        }
        std::size_t length = 1;
        char32_t scalar = 0;
        if (gb18030 && lead && IsDigitByte(s[i + 1])) {
            // A four-byte GB18030 sequence (lead, digit, lead, digit): one
            // character, which no table here holds.
            if (i + 3 < n && s[i + 2] >= 0x81 && s[i + 2] <= 0xFE && IsDigitByte(s[i + 3]))
                length = 4;
        } else if (lead && HasBit(set.trails, s[i + 1])) {
            length = 2;
            scalar = DoubleByteScalar(set, c, s[i + 1]);
        }
        i += length;
        if (scalar == 0) {
            std::memcpy(w, kUnmappableMark.data(), 2);
            w += 2;
        } else {
            w = PutScalar(table, scalar, w);
        }
    }
    out.resize(start + static_cast<std::size_t>(w - begin));
}

char32_t Cp932Scalar(unsigned char lead, unsigned char trail) {
    const int row = LeadIndex(lead);
    if (row < 0)
        return kCp932Single[lead];
    const int cell = TrailIndex(trail);
    return cell < 0 ? 0 : kCp932Rows[row][cell];
}

std::string Cp932ToUtf8Text(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 3 / 2 + 8);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        std::size_t length = Cp932CharLength(lead);
        char32_t scalar = 0;
        if (length == 1) {
            scalar = kCp932Single[lead];
            if (scalar == 0 && lead != 0)
                scalar = 0xFFFD;
        } else if (pos + 1 < text.size()) {
            scalar = Cp932Scalar(lead, static_cast<unsigned char>(text[pos + 1]));
        }
        if (length == 2 && scalar == 0) {
            // A bad pair costs only its first byte.
            scalar = 0xFFFD;
            length = 1;
        }
        if (scalar < 0x80) {
            out += static_cast<char>(scalar);
        } else if (scalar < 0x800) {
            out += static_cast<char>(0xC0 | (scalar >> 6));
            out += static_cast<char>(0x80 | (scalar & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (scalar >> 12));
            out += static_cast<char>(0x80 | ((scalar >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (scalar & 0x3F));
        }
        pos += length;
    }
    return out;
}

}  // namespace pell
