#pragma once
// The decisions around a protected connection that do not depend on the TLS
// library: the default port of each mode, whether a server name goes out as
// SNI, certificate fingerprints and the pin, and the verdict on a certificate.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mail/certificate_text.h"

namespace pell {

// Values of the account key Security.
enum ConnectionSecurity : int {
    kSecurityPlain = 0,     // plain POP3
    kSecurityStls = 1,      // plain connection, STLS, then TLS before the login
    kSecurityImplicit = 2,  // TLS from the first byte
};

inline constexpr std::uint16_t kPop3TlsPort = 995;

// The mode of a Security value: a missing key reads as 0; an unknown value
// asks for protection, so that it never ends up as a plain login.
ConnectionSecurity SecurityFromSetting(int value);

// True for a literal address (dotted IPv4 or IPv6), which is checked against
// the certificate's addresses and never sent as a server name indication.
bool IsAddressLiteral(std::string_view server);

// The SHA-256 digest of a certificate's DER bytes as 64 upper-case hex digits.
std::string CertificateFingerprint(std::string_view der);

// A fingerprint as typed: colons and blanks dropped, letters in upper case.
// Anything but 64 hex digits then matches no certificate.
std::string NormalizeFingerprint(std::string_view text);

// Whether the first five bytes from a server can open a TLS handshake: a
// handshake or alert record of version 3.x, no longer than a record may be.
// Anything else (a plain POP3 greeting, noise) comes from a server that does
// not speak TLS, and waiting for the rest of such a "record" would be futile.
bool CanOpenTlsHandshake(std::string_view head);

// The four bytes of a dotted IPv4 address (four decimal numbers of at most
// 255, as a certificate lists its IP-address names), or nothing for any other
// text.
std::optional<std::string> Ipv4AddressBytes(std::string_view text);

// True when the server, written as an IPv4 address, is one of the
// certificate's IP-address names (each as its raw bytes).
bool AddressIsAmong(std::string_view server, const std::vector<std::string>& addresses);

// A Windows version as the system reports it.
struct WindowsVersion {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
};

// True when SChannel takes the newer credentials with TLS parameters, the
// only ones through which it negotiates TLS 1.3 (Windows 10 build 17763 and
// later); older systems get TLS 1.2 through the older ones.
bool OffersTlsParametersCredentials(const WindowsVersion& version);

// The status of a presented certificate (0 or the bad-certificate code). With
// a pin only the pinned certificate passes, trusted or not; without one the
// chain and the name must have been verified.
int CertificateVerdict(bool verified, std::string_view fingerprint, std::string_view pin);

}  // namespace pell
