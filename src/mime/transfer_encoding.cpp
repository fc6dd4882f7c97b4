#include "mime/transfer_encoding.h"

#include <array>
#include <cstdint>

#include "mime/anchored_search.h"
#include "startup/text_search.h"

namespace pell {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

namespace {

constexpr unsigned char kNotBase64 = 0xFF;

constexpr std::array<unsigned char, 256> MakeSextets() {
    std::array<unsigned char, 256> values{};
    for (auto& v : values)
        v = kNotBase64;
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < alphabet.size(); ++i)
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<unsigned char>(i);
    return values;
}
constexpr std::array<unsigned char, 256> kSextets = MakeSextets();

// The sextet of each byte already shifted to its place in a group of four, and
// a bit above the 24 group bits for bytes outside the alphabet, so that one
// test tells whether a whole group is plain Base64.
constexpr std::uint32_t kNotInGroup = 1u << 24;
struct GroupTables {
    std::uint32_t at[4][256] = {};
};
constexpr GroupTables MakeGroupTables() {
    GroupTables t;
    for (unsigned place = 0; place < 4; ++place) {
        for (unsigned c = 0; c < 256; ++c) {
            const unsigned char v = kSextets[c];
            t.at[place][c] = v == kNotBase64 ? kNotInGroup : std::uint32_t{v} << (18 - 6 * place);
        }
    }
    return t;
}
constexpr GroupTables kGroup = MakeGroupTables();

std::string DecodeQuoted(std::string_view encoded, bool underscoreIsSpace) {
    std::string out;
    out.reserve(encoded.size());
    const std::size_t n = encoded.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = encoded[i];
        if (c == '_' && underscoreIsSpace) {
            out += ' ';
            ++i;
            continue;
        }
        if (c != '=') {
            out += c;
            ++i;
            continue;
        }
        if (i + 2 < n && HexValue(encoded[i + 1]) >= 0 && HexValue(encoded[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(encoded[i + 1]) * 16 + HexValue(encoded[i + 2]));
            i += 3;
            continue;
        }
        // A soft line break: "=", maybe blanks, then the line break.
        std::size_t k = i + 1;
        while (k < n && (encoded[k] == ' ' || encoded[k] == '\t'))
            ++k;
        if (k == n) {
            i = n;  // cut at the end of the text
        } else if (encoded[k] == '\n') {
            i = k + 1;
        } else if (encoded[k] == '\r') {
            i = (k + 1 < n && encoded[k + 1] == '\n') ? k + 2 : k + 1;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

}  // namespace

TransferEncoding TransferEncodingFromValue(std::string_view value) {
    std::size_t first = value.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return TransferEncoding::kIdentity;
    value.remove_prefix(first);
    value = value.substr(0, FindByteOf(value, " \t\r\n;("));
    if (EqualsNoCase(value, "base64"))
        return TransferEncoding::kBase64;
    if (EqualsNoCase(value, "quoted-printable"))
        return TransferEncoding::kQuotedPrintable;
    return TransferEncoding::kIdentity;
}

std::string DecodeBase64Lenient(std::string_view encoded) {
    std::string out;
    DecodeBase64Lenient(encoded, out);
    return out;
}

void DecodeBase64Lenient(std::string_view encoded, std::string& out) {
    out.resize(encoded.size() / 4 * 3 + 3);
    char* w = out.data();
    const auto* s = reinterpret_cast<const unsigned char*>(encoded.data());
    const std::size_t n = encoded.size();
    unsigned bits = 0;
    unsigned count = 0;  // sextets in the current group
    std::size_t i = 0;
    while (i < n) {
        // Whole groups of four, the common case, at once.
        if (count == 0) {
            while (i + 4 <= n) {
                const std::uint32_t group = kGroup.at[0][s[i]] | kGroup.at[1][s[i + 1]] |
                                            kGroup.at[2][s[i + 2]] | kGroup.at[3][s[i + 3]];
                if (group >= kNotInGroup)
                    break;
                w[0] = static_cast<char>(group >> 16);
                w[1] = static_cast<char>((group >> 8) & 0xFF);
                w[2] = static_cast<char>(group & 0xFF);
                w += 3;
                i += 4;
            }
            if (i >= n)
                break;
        }
        const unsigned char c = s[i++];
        if (c == '=') {
            // Padding closes the group; what it held is already out.
            bits = 0;
            count = 0;
            continue;
        }
        const unsigned char v = kSextets[c];
        if (v == kNotBase64)
            continue;
        bits = (bits << 6) | v;
        ++count;
        if (count >= 2) {
            // Every sextet after the first completes one more byte.
            const unsigned shift = 2 * (4 - count);
            *w++ = static_cast<char>((bits >> shift) & 0xFF);
            if (count == 4) {
                bits = 0;
                count = 0;
            }
        }
    }
    out.resize(static_cast<std::size_t>(w - out.data()));
}

std::string DecodeQuotedPrintable(std::string_view encoded) {
    return DecodeQuoted(encoded, false);
}

std::string DecodeQEncoding(std::string_view encoded) {
    return DecodeQuoted(encoded, true);
}

std::string DecodeTransferEncoding(TransferEncoding encoding, std::string_view body) {
    switch (encoding) {
        case TransferEncoding::kBase64:
            return DecodeBase64Lenient(body);
        case TransferEncoding::kQuotedPrintable:
            return DecodeQuotedPrintable(body);
        case TransferEncoding::kIdentity:
            break;
    }
    return std::string(body);
}

}  // namespace pell
