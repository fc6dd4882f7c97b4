#include "mime/transfer_encoding.h"

#include <array>

#include "startup/text_search.h"

namespace pell {
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

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

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
    value = value.substr(0, value.find_first_of(" \t\r\n;("));
    if (EqualsNoCase(value, "base64"))
        return TransferEncoding::kBase64;
    if (EqualsNoCase(value, "quoted-printable"))
        return TransferEncoding::kQuotedPrintable;
    return TransferEncoding::kIdentity;
}

std::string DecodeBase64Lenient(std::string_view encoded) {
    std::string out(encoded.size() / 4 * 3 + 3, '\0');
    char* w = out.data();
    const auto* s = reinterpret_cast<const unsigned char*>(encoded.data());
    const std::size_t n = encoded.size();
    unsigned bits = 0;
    unsigned count = 0;  // sextets in the current group
    std::size_t i = 0;
    while (i < n) {
        // Whole groups of four, the common case, at once.
        if (count == 0 && i + 4 <= n) {
            const unsigned a = kSextets[s[i]], b = kSextets[s[i + 1]], c = kSextets[s[i + 2]],
                           d = kSextets[s[i + 3]];
            // Sextets are below 64; kNotBase64 is not.
            if ((a | b | c | d) < 64) {
                const unsigned group = (a << 18) | (b << 12) | (c << 6) | d;
                w[0] = static_cast<char>(group >> 16);
                w[1] = static_cast<char>((group >> 8) & 0xFF);
                w[2] = static_cast<char>(group & 0xFF);
                w += 3;
                i += 4;
                continue;
            }
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
    return out;
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
