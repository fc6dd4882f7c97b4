#include "mail/security_libraries_win32.h"

#include "mail/loaded_library_win32.h"

namespace pell {
namespace {

SecurityLibraries Load() {
    SecurityLibraries libraries;
    // Neither library is freed: the credentials and the root store made
    // through them live for the run.
    HMODULE secur32 = LoadSystemLibrary("SECUR32.DLL");
    if (auto init = EntryPoint<INIT_SECURITY_INTERFACE_A>(secur32, SECURITY_ENTRYPOINT_ANSIA))
        libraries.sspi = init();
    HMODULE crypt32 = LoadSystemLibrary("CRYPT32.DLL");
    libraries.openSystemStore =
        EntryPoint<decltype(libraries.openSystemStore)>(crypt32, "CertOpenSystemStoreW");
    libraries.closeStore = EntryPoint<decltype(libraries.closeStore)>(crypt32, "CertCloseStore");
    libraries.freeCertificate =
        EntryPoint<decltype(libraries.freeCertificate)>(crypt32, "CertFreeCertificateContext");
    libraries.getChain =
        EntryPoint<decltype(libraries.getChain)>(crypt32, "CertGetCertificateChain");
    libraries.freeChain =
        EntryPoint<decltype(libraries.freeChain)>(crypt32, "CertFreeCertificateChain");
    libraries.verifyChainPolicy = EntryPoint<decltype(libraries.verifyChainPolicy)>(
        crypt32, "CertVerifyCertificateChainPolicy");
    libraries.nameToString =
        EntryPoint<decltype(libraries.nameToString)>(crypt32, "CertNameToStrW");
    libraries.findExtension =
        EntryPoint<decltype(libraries.findExtension)>(crypt32, "CertFindExtension");
    libraries.decodeObject =
        EntryPoint<decltype(libraries.decodeObject)>(crypt32, "CryptDecodeObjectEx");
    return libraries;
}

}  // namespace

bool SecurityLibraries::complete() const {
    const bool sspiComplete = sspi && sspi->AcquireCredentialsHandleA &&
                              sspi->FreeCredentialHandle && sspi->InitializeSecurityContextA &&
                              sspi->DeleteSecurityContext && sspi->ApplyControlToken &&
                              sspi->QueryContextAttributesA && sspi->FreeContextBuffer &&
                              sspi->EncryptMessage && sspi->DecryptMessage;
    return sspiComplete && openSystemStore && closeStore && freeCertificate && getChain &&
           freeChain && verifyChainPolicy && nameToString && findExtension && decodeObject;
}

const SecurityLibraries& Security() {
    static const SecurityLibraries libraries = Load();
    return libraries;
}

}  // namespace pell
