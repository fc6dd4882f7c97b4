#pragma once
// The judgement of a server certificate on Windows: a chain for server
// authentication to a trusted root (revocation checked as far as the network
// allows), the server's name or address among the certificate's names, and
// every reason it falls short.
#include <windows.h>
// The certificate header needs the base definitions first.
#include <wincrypt.h>

#include <string>

namespace pell {

// The CertificateProblem bits of a chain's trust errors. An unknown or
// offline revocation status is no problem (a home network, a firewall); a
// revoked certificate is.
unsigned ProblemsOfTrustErrors(DWORD errors);

// The CertificateProblem bit of an error of the SSL chain policy (0 for none).
unsigned ProblemOfPolicyError(DWORD error);

// Every reason the certificate does not serve `server` (a name or a dotted
// address); 0 when it does.
unsigned JudgeServerCertificate(PCCERT_CONTEXT certificate, const std::string& server);

// The subject and issuer names for a person to read (UTF-8).
std::string SubjectName(PCCERT_CONTEXT certificate);
std::string IssuerName(PCCERT_CONTEXT certificate);

}  // namespace pell
