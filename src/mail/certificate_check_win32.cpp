// The chain parameters with their time-out for fetching over the network.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include "mail/certificate_check_win32.h"

#include <vector>

#include "mail/security_libraries_win32.h"
#include "mail/tls_policy.h"
#include "mail/wide_text_win32.h"

namespace pell {
namespace {

// The SSL policy's flags of errors to ignore, as Microsoft documents them
// (the MinGW headers declare them only for the internet library).
constexpr DWORD kIgnoreRevocation = 0x80;
constexpr DWORD kIgnoreUnknownCa = 0x100;
constexpr DWORD kIgnoreWrongUsage = 0x200;
constexpr DWORD kIgnoreNameMismatch = 0x1000;
constexpr DWORD kIgnoreDateInvalid = 0x2000;

// Fetching revocation lists and missing intermediates may take this long in
// all; a check is not held up for longer by a slow or absent network.
constexpr DWORD kUrlRetrievalMilliseconds = 15000;

// What the SSL policy may ignore to find out whether the name alone matches.
constexpr DWORD kAllButTheName = kIgnoreUnknownCa | kIgnoreWrongUsage | kIgnoreDateInvalid;

class ChainContext {
  public:
    explicit ChainContext(PCCERT_CHAIN_CONTEXT chain) : chain_(chain) {}
    ~ChainContext() {
        if (chain_)
            Security().freeChain(chain_);
    }
    ChainContext(const ChainContext&) = delete;
    ChainContext& operator=(const ChainContext&) = delete;
    PCCERT_CHAIN_CONTEXT get() const { return chain_; }

  private:
    PCCERT_CHAIN_CONTEXT chain_;
};

// The SSL policy's error for the chain and the server's name. Revocation is
// left to the chain's own status (ProblemsOfTrustErrors): the policy would
// stop at an unknown status (no list reachable) before it looks at the name.
DWORD PolicyError(PCCERT_CHAIN_CONTEXT chain, const std::string& server, DWORD ignored) {
    std::wstring name = WideFromAnsi(server);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = ignored | kIgnoreRevocation;
    ssl.pwszServerName = name.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!Security().verifyChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status))
        return static_cast<DWORD>(E_FAIL);
    return status.dwError;
}

// The certificate's IP-address names, each as its raw bytes.
std::vector<std::string> CertificateAddresses(PCCERT_CONTEXT certificate) {
    std::vector<std::string> addresses;
    const CERT_INFO* info = certificate->pCertInfo;
    PCERT_EXTENSION extension =
        Security().findExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
    if (!extension)
        return addresses;
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!Security().decodeObject(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                                 extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names,
                                 &size) ||
        !names)
        return addresses;
    for (DWORD i = 0; i < names->cAltEntry; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
        if (entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && entry.IPAddress.pbData)
            addresses.emplace_back(reinterpret_cast<const char*>(entry.IPAddress.pbData),
                                   entry.IPAddress.cbData);
    }
    LocalFree(names);
    return addresses;
}

std::string NameText(const CERT_NAME_BLOB& name) {
    wchar_t text[512] = {};
    Security().nameToString(X509_ASN_ENCODING, const_cast<CERT_NAME_BLOB*>(&name),
                            CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG, text, 512);
    text[511] = 0;
    return Utf8FromWide(text);
}

}  // namespace

unsigned ProblemsOfTrustErrors(DWORD errors) {
    errors &= ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN |
                                  CERT_TRUST_IS_OFFLINE_REVOCATION);
    unsigned problems = 0;
    if (errors & CERT_TRUST_IS_REVOKED)
        problems |= kCertificateRevoked;
    if (errors & CERT_TRUST_IS_NOT_TIME_VALID)
        problems |= kCertificateExpired;
    if (errors &
        (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_CYCLIC))
        problems |= kCertificateUntrusted;
    const DWORD named = CERT_TRUST_IS_REVOKED | CERT_TRUST_IS_NOT_TIME_VALID |
                        CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN |
                        CERT_TRUST_IS_CYCLIC;
    if (errors & ~named)
        problems |= kCertificateOtherFault;
    return problems;
}

unsigned ProblemOfPolicyError(DWORD error) {
    switch (static_cast<HRESULT>(error)) {
        case S_OK:
        case CRYPT_E_NO_REVOCATION_CHECK:
        case CRYPT_E_REVOCATION_OFFLINE:
            return 0;
        case CERT_E_CN_NO_MATCH:
            return kCertificateWrongName;
        case CERT_E_UNTRUSTEDROOT:
        case CERT_E_UNTRUSTEDCA:
        case CERT_E_CHAINING:
            return kCertificateUntrusted;
        case CERT_E_EXPIRED:
            return kCertificateExpired;
        case CRYPT_E_REVOKED:
            return kCertificateRevoked;
        default:
            return kCertificateOtherFault;
    }
}

unsigned JudgeServerCertificate(PCCERT_CONTEXT certificate, const std::string& server) {
    LPSTR usage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
    para.dwUrlRetrievalTimeout = kUrlRetrievalMilliseconds;
    PCCERT_CHAIN_CONTEXT raw = nullptr;
    if (!Security().getChain(nullptr, certificate, nullptr, certificate->hCertStore, &para,
                             CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT |
                                 CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT,
                             nullptr, &raw) ||
        !raw)
        return kCertificateOtherFault;
    ChainContext chain(raw);
    // A partial chain whose issuer is unknown passes the policy under Wine,
    // so the chain's own status counts too.
    unsigned problems = ProblemsOfTrustErrors(chain.get()->TrustStatus.dwErrorStatus);
    if (IsAddressLiteral(server)) {
        // The SSL policy matches DNS names only: an address is looked for
        // among the certificate's IP-address names here.
        problems |= ProblemOfPolicyError(PolicyError(chain.get(), server, kIgnoreNameMismatch));
        if (!AddressIsAmong(server, CertificateAddresses(certificate)))
            problems |= kCertificateWrongName;
        return problems;
    }
    problems |= ProblemOfPolicyError(PolicyError(chain.get(), server, 0));
    // The policy names only its first error: a certificate refused for its
    // root may carry the wrong name as well.
    if (problems != 0 && !(problems & kCertificateWrongName))
        problems |= ProblemOfPolicyError(PolicyError(chain.get(), server, kAllButTheName)) &
                    kCertificateWrongName;
    return problems;
}

std::string SubjectName(PCCERT_CONTEXT certificate) {
    return NameText(certificate->pCertInfo->Subject);
}

std::string IssuerName(PCCERT_CONTEXT certificate) {
    return NameText(certificate->pCertInfo->Issuer);
}

}  // namespace pell
