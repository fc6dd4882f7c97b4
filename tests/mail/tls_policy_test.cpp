#include "mail/tls_policy.h"

#include <gtest/gtest.h>

#include "mail/status_codes.h"

namespace pell {
namespace {

TEST(TlsPolicyTest, FingerprintIsTheSha256OfTheCertificateBytes) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
        {"abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1"},
        {std::string(1000000, 'a'),
         "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"},
        // Padding boundaries, and a NUL byte inside.
        {std::string(55, 'x') + '\0',
         "95664B81E168F41B655F8E55984B5F86AC4DEDC50D9386C6D9C48F68CFC6E0F9"},
        {std::string(64, 'x'), "7CE100971F64E7001E8FE5A51973ECDFE1CED42BEFE7EE8D5FD6219506B5393C"},
    };
    for (const auto& [der, print] : cases)
        EXPECT_EQ(CertificateFingerprint(der), print) << der.size();
}

TEST(TlsPolicyTest, PinDecidesAloneWhenSet) {
    const std::string print = CertificateFingerprint("certificate");
    std::string colons;
    for (std::size_t i = 0; i < print.size(); i += 2)
        colons += (i ? ":" : "") + print.substr(i, 2);
    std::string lower = print;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    struct Case {
        bool verified;
        std::string presented;
        std::string pin;
        int status;
    };
    const Case cases[] = {
        {true, print, "", kStatusOk},
        {false, print, "", kStatusBadCertificate},
        {false, print, print, kStatusOk},   // a home server's own certificate
        {false, print, colons, kStatusOk},  // as tools print it
        {false, print, " " + lower + "\t", kStatusOk},
        {true, print, CertificateFingerprint("other"),
         kStatusBadCertificate},  // trusted, not pinned
        {true, print, print.substr(0, 63), kStatusBadCertificate},
        {false, "", "", kStatusBadCertificate},
        {false, "", ":", kStatusBadCertificate},  // a pin of nothing but colons pins nothing valid
        {false, "ZZ", "zz", kStatusBadCertificate},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CertificateVerdict(c.verified, c.presented, c.pin), c.status) << c.pin;
    EXPECT_EQ(NormalizeFingerprint("aB:c1 :d"), "ABC1D");
}

TEST(TlsPolicyTest, AddressesAreNotServerNames) {
    const std::pair<const char*, bool> cases[] = {
        {"127.0.0.1", true},       {"::1", true}, {"[::1]", true},      {"localhost", false},
        {"pop.example.jp", false}, {"", false},   {"1.example", false},
    };
    for (const auto& [server, address] : cases)
        EXPECT_EQ(IsAddressLiteral(server), address) << server;
}

TEST(TlsPolicyTest, OnlyATlsRecordHeaderOpensAHandshake) {
    using namespace std::string_literals;
    const std::pair<std::string, bool> cases[] = {
        {"\x16\x03\x03\x00\x7a"s, true},   // server hello
        {"\x15\x03\x01\x00\x02"s, true},   // alert
        {"\x16\x03\x03\x48\x00"s, true},   // the largest record
        {"\x16\x03\x03\x48\x01"s, false},  // longer than any record
        // empty, data before a handshake, an old version, plain text, too short
        {"\x16\x03\x03\x00\x00"s, false},
        {"\x17\x03\x03\x00\x10"s, false},
        {"\x16\x02\x00\x00\x10"s, false},
        {"+OK ready\r\n", false},
        {"\x16\x03", false},
    };
    for (const auto& [head, opens] : cases)
        EXPECT_EQ(CanOpenTlsHandshake(head), opens) << head.size();
}

TEST(TlsPolicyTest, OnlyZeroMeansPlain) {
    const std::pair<int, ConnectionSecurity> cases[] = {
        {0, kSecurityPlain},    {1, kSecurityStls},      {2, kSecurityImplicit},
        {3, kSecurityImplicit}, {-1, kSecurityImplicit},
    };
    for (const auto& [value, mode] : cases)
        EXPECT_EQ(SecurityFromSetting(value), mode) << value;
}

}  // namespace
}  // namespace pell

namespace pell {
namespace {

TEST(TlsPolicyTest, AnAddressMatchesOnlyItsOwnIpAddressName) {
    const std::vector<std::string> names = {std::string("\x7F\0\0\x01", 4), std::string(16, '\0')};
    const std::pair<const char*, bool> cases[] = {
        {"127.0.0.1", true},   {"127.0.0.2", false},   {"127.0.0.01", true},  {"127.1", false},
        {"127.0.0.1.", false}, {"127.0.0.256", false}, {"127.0.0.1 ", false}, {"0.0.0.0", false},
        {"localhost", false},  {"1270.0.0.1", false},  {"::1", false},        {"", false},
        {"127.0.0.-1", false}, {"127..0.1", false},
    };
    for (const auto& [server, among] : cases)
        EXPECT_EQ(AddressIsAmong(server, names), among) << server;
    EXPECT_EQ(Ipv4AddressBytes("192.168.1.255"), std::string("\xC0\xA8\x01\xFF"));
    EXPECT_FALSE(AddressIsAmong("127.0.0.1", {}));
}

TEST(TlsPolicyTest, TlsParametersFromWindows10Build17763) {
    const std::pair<WindowsVersion, bool> cases[] = {
        {{6, 1, 7601}, false},  {{6, 3, 9600}, false},  {{10, 0, 17134}, false},
        {{10, 0, 17763}, true}, {{10, 0, 22631}, true}, {{11, 0, 0}, true},
        {{0, 0, 0}, false},
    };
    for (const auto& [version, offers] : cases)
        EXPECT_EQ(OffersTlsParametersCredentials(version), offers) << version.build;
}

}  // namespace
}  // namespace pell
