#include "mail/imap_text.h"

#include <cstdint>
#include <vector>

#include "mime/unicode_cp932.h"

namespace pell {
namespace {

constexpr char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char32_t kReplacement = 0xFFFD;

// Base64 of the bytes; modified UTF-7 uses ',' for '/' and no padding.
std::string Base64(std::string_view bytes, char slash, bool pad) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    auto digit = [slash](std::uint32_t value) {
        char c = kBase64Digits[value & 0x3F];
        return c == '/' ? slash : c;
    };
    for (; i + 3 <= bytes.size(); i += 3) {
        std::uint32_t group =
            static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
            static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
            static_cast<unsigned char>(bytes[i + 2]);
        out += digit(group >> 18);
        out += digit(group >> 12);
        out += digit(group >> 6);
        out += digit(group);
    }
    std::size_t left = bytes.size() - i;
    if (left > 0) {
        std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]))
                              << 16;
        if (left == 2)
            group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        out += digit(group >> 18);
        out += digit(group >> 12);
        if (left == 2)
            out += digit(group >> 6);
        if (pad)
            out.append(left == 2 ? 1 : 2, '=');
    }
    return out;
}

// The Unicode characters of a Shift_JIS text.
std::vector<char32_t> SjisScalars(std::string_view sjis) {
    std::vector<char32_t> scalars;
    for (std::size_t i = 0; i < sjis.size();) {
        unsigned char lead = static_cast<unsigned char>(sjis[i]);
        std::size_t length = Cp932CharLength(lead);
        if (i + length > sjis.size()) {
            scalars.push_back(kReplacement);
            break;
        }
        unsigned char trail = length == 2 ? static_cast<unsigned char>(sjis[i + 1]) : 0;
        char32_t scalar = lead < 0x80 ? lead : Cp932Scalar(lead, trail);
        scalars.push_back(scalar == 0 && lead != 0 ? kReplacement : scalar);
        i += length;
    }
    return scalars;
}

bool IsPrintableAscii(char32_t c) {
    return c >= 0x20 && c <= 0x7E;
}

}  // namespace

std::string EncodeBase64(std::string_view bytes) {
    return Base64(bytes, '/', true);
}

std::string FolderNameToImap(std::string_view sjis) {
    std::vector<char32_t> scalars = SjisScalars(sjis);
    std::string out;
    for (std::size_t i = 0; i < scalars.size();) {
        if (IsPrintableAscii(scalars[i])) {
            out += static_cast<char>(scalars[i]);
            if (scalars[i] == '&')
                out += '-';
            ++i;
            continue;
        }
        // A run of other characters as UTF-16 big-endian. Code page 932 has
        // nothing beyond the first plane, so no surrogates are needed.
        std::string utf16;
        for (; i < scalars.size() && !IsPrintableAscii(scalars[i]); ++i) {
            char32_t c = scalars[i] > 0xFFFF ? kReplacement : scalars[i];
            utf16 += static_cast<char>((c >> 8) & 0xFF);
            utf16 += static_cast<char>(c & 0xFF);
        }
        out += '&';
        out += Base64(utf16, ',', false);
        out += '-';
    }
    return out;
}

bool IsSendableText(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool IsQuotableText(std::string_view text) {
    if (!IsSendableText(text))
        return false;
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

std::string QuotedString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace pell
