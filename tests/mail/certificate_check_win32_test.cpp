// What the chain's status and the SSL policy's error mean for the trust
// question: revocation is checked as far as the network allows, so an unknown
// or offline status is no refusal, while a revoked certificate is.
#include "mail/certificate_check_win32.h"

#include <gtest/gtest.h>

#include "mail/certificate_text.h"

namespace pell {
namespace {

TEST(CertificateCheckWin32, ChainStatusAndPolicyErrorsNameTheProblems) {
    const std::pair<DWORD, unsigned> chains[] = {
        {CERT_TRUST_NO_ERROR, 0},
        {CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION, 0},
        {CERT_TRUST_IS_REVOKED, kCertificateRevoked},
        {CERT_TRUST_IS_REVOKED | CERT_TRUST_REVOCATION_STATUS_UNKNOWN, kCertificateRevoked},
        {CERT_TRUST_IS_NOT_TIME_VALID, kCertificateExpired},
        {CERT_TRUST_IS_UNTRUSTED_ROOT, kCertificateUntrusted},
        {CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_REVOCATION_STATUS_UNKNOWN, kCertificateUntrusted},
        {CERT_TRUST_IS_NOT_SIGNATURE_VALID, kCertificateOtherFault},
        {CERT_TRUST_IS_NOT_VALID_FOR_USAGE | CERT_TRUST_IS_NOT_TIME_VALID,
         kCertificateOtherFault | kCertificateExpired},
    };
    for (const auto& [errors, problems] : chains)
        EXPECT_EQ(ProblemsOfTrustErrors(errors), problems) << std::hex << errors;

    const std::pair<HRESULT, unsigned> policies[] = {
        {S_OK, 0},
        {CRYPT_E_REVOCATION_OFFLINE, 0},
        {CRYPT_E_NO_REVOCATION_CHECK, 0},
        {CERT_E_CN_NO_MATCH, kCertificateWrongName},
        {CERT_E_UNTRUSTEDROOT, kCertificateUntrusted},
        {CERT_E_CHAINING, kCertificateUntrusted},
        {CERT_E_EXPIRED, kCertificateExpired},
        {CRYPT_E_REVOKED, kCertificateRevoked},
        // The policy gave up before the name: never a pass.
        {CERT_E_REVOCATION_FAILURE, kCertificateOtherFault},
        {CERT_E_WRONG_USAGE, kCertificateOtherFault},
    };
    for (const auto& [error, problems] : policies)
        EXPECT_EQ(ProblemOfPolicyError(static_cast<DWORD>(error)), problems) << std::hex << error;
}

}  // namespace
}  // namespace pell
