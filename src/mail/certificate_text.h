#pragma once
// What a person is told about a server certificate: why it was refused, and
// its names made safe to print.
#include <string>
#include <string_view>

namespace pell {

// Why a presented certificate was not verified; several may hold at once.
enum CertificateProblem : unsigned {
    kCertificateUntrusted = 1u << 0,   // no chain to a trusted root (self-signed, unknown issuer)
    kCertificateWrongName = 1u << 1,   // the server's name or address is not among its names
    kCertificateExpired = 1u << 2,     // outside its period of validity, or one of its chain
    kCertificateRevoked = 1u << 3,     // revoked by its issuer
    kCertificateOtherFault = 1u << 4,  // anything else: wrong use, bad signature, damage
};

// A name from a certificate made safe to print: control characters (C0, DEL,
// and C1 in their UTF-8 form) become \xNN or \u00NN, so that a hostile
// subject cannot move a terminal's cursor, recolour it or clear the screen.
std::string EscapeControlCharacters(std::string_view utf8);

}  // namespace pell
