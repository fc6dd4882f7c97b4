#pragma once
// SChannel (through the SSPI function table) and the certificate calls of
// CRYPT32, loaded at the first TLS check and kept for the rest of the run. Both
// libraries pull in the system's TLS and Kerberos back ends when they load, so
// a run without a TLS account never maps them.
#include <windows.h>
// The security headers need the base definitions first.
#define SECURITY_WIN32
#include <security.h>
#include <sspi.h>
#include <wincrypt.h>

namespace pell {

struct SecurityLibraries {
    // Every SSPI call of the TLS channel, from InitSecurityInterfaceA.
    PSecurityFunctionTableA sspi = nullptr;
    decltype(&CertOpenSystemStoreW) openSystemStore = nullptr;
    decltype(&CertCloseStore) closeStore = nullptr;
    decltype(&CertFreeCertificateContext) freeCertificate = nullptr;
    decltype(&CertGetCertificateChain) getChain = nullptr;
    decltype(&CertFreeCertificateChain) freeChain = nullptr;
    decltype(&CertVerifyCertificateChainPolicy) verifyChainPolicy = nullptr;
    decltype(&CertNameToStrW) nameToString = nullptr;
    decltype(&CertFindExtension) findExtension = nullptr;
    decltype(&CryptDecodeObjectEx) decodeObject = nullptr;

    // True when both libraries and every entry point were found.
    bool complete() const;
};

// Loaded once, at the first call, safely from any thread, from the system
// folder; never unloaded (a worker may still use them while the program ends).
const SecurityLibraries& Security();

}  // namespace pell
