#include "mail/tls_policy.h"

#include "mail/sha256.h"
#include "mail/status_codes.h"

namespace pell {

ConnectionSecurity SecurityFromSetting(int value) {
    switch (value) {
        case kSecurityPlain:
            return kSecurityPlain;
        case kSecurityStls:
            return kSecurityStls;
        default:
            return kSecurityImplicit;
    }
}

bool IsAddressLiteral(std::string_view server) {
    if (server.empty())
        return false;
    if (server.find(':') != std::string_view::npos)
        return true;
    return server.find_first_not_of("0123456789.") == std::string_view::npos;
}

std::string CertificateFingerprint(std::string_view der) {
    Sha256 sha;
    sha.Update(der);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(64);
    for (std::uint8_t b : sha.Finish()) {
        text.push_back(kHex[b >> 4]);
        text.push_back(kHex[b & 15]);
    }
    return text;
}

std::string NormalizeFingerprint(std::string_view text) {
    std::string clean;
    clean.reserve(64);
    for (char c : text) {
        if (c == ':' || c == ' ' || c == '\t')
            continue;
        clean.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    }
    return clean;
}

bool CanOpenTlsHandshake(std::string_view head) {
    constexpr unsigned kAlert = 0x15, kHandshake = 0x16;
    constexpr unsigned kLargestRecord = 16384 + 2048;
    if (head.size() < 5)
        return false;
    auto byte = [&head](std::size_t i) { return static_cast<unsigned char>(head[i]); };
    unsigned length = (static_cast<unsigned>(byte(3)) << 8) | byte(4);
    return (byte(0) == kAlert || byte(0) == kHandshake) && byte(1) == 3 && length > 0 &&
           length <= kLargestRecord;
}

std::optional<std::string> Ipv4AddressBytes(std::string_view text) {
    std::string bytes;
    std::size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != '.')
                return std::nullopt;
            ++at;
        }
        const std::size_t digitsStart = at;
        unsigned value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - digitsStart < 3)
            value = value * 10 + static_cast<unsigned>(text[at++] - '0');
        if (at == digitsStart || value > 255)
            return std::nullopt;
        bytes.push_back(static_cast<char>(value));
    }
    if (at != text.size())
        return std::nullopt;
    return bytes;
}

bool AddressIsAmong(std::string_view server, const std::vector<std::string>& addresses) {
    const std::optional<std::string> wanted = Ipv4AddressBytes(server);
    if (!wanted)
        return false;
    for (const std::string& address : addresses) {
        if (address == *wanted)
            return true;
    }
    return false;
}

bool OffersTlsParametersCredentials(const WindowsVersion& version) {
    constexpr unsigned kFirstBuild = 17763;
    return version.major > 10 || (version.major == 10 && version.build >= kFirstBuild);
}

int CertificateVerdict(bool verified, std::string_view fingerprint, std::string_view pin) {
    std::string pinned = NormalizeFingerprint(pin);
    if (!pinned.empty()) {
        bool wellFormed = fingerprint.size() == 64 &&
                          fingerprint.find_first_not_of("0123456789ABCDEF") == std::string::npos;
        return wellFormed && pinned == fingerprint ? kStatusOk : kStatusBadCertificate;
    }
    return verified ? kStatusOk : kStatusBadCertificate;
}

}  // namespace pell
