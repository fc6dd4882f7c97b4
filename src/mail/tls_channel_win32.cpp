// SChannel behind the socket interface. SChannel is told to leave the
// server's certificate alone (under Wine it would accept any), and the
// certificate is judged afterwards, when the pin can be weighed too.
#include <windows.h>
// The security headers need the base definitions first.
#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>
#include <sspi.h>
#include <wincrypt.h>

#include <string>

#include "mail/certificate_check_win32.h"
#include "mail/platform_tls.h"
#include "mail/schannel_stream_win32.h"
#include "mail/security_libraries_win32.h"
#include "mail/tls_policy.h"

namespace pell {
namespace {

constexpr DWORD kCredentialFlags =
    SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;

// The newer credentials of SChannel and their TLS parameters, laid out as
// Microsoft documents SCH_CREDENTIALS and TLS_PARAMETERS (the MinGW headers
// declare them only together with the kernel's string type).
struct TlsParametersRecord {
    DWORD alpnIdCount;
    void* alpnIds;
    DWORD disabledProtocols;
    DWORD disabledCryptoCount;
    void* disabledCrypto;
    DWORD flags;
};
struct SchCredentialsRecord {
    DWORD version;
    DWORD credentialFormat;
    DWORD certificateCount;
    PCCERT_CONTEXT* certificates;
    HCERTSTORE rootStore;
    DWORD mapperCount;
    void** mappers;
    DWORD sessionLifespan;
    DWORD flags;
    DWORD tlsParameterCount;
    TlsParametersRecord* tlsParameters;
};

// The system's real version: GetVersionEx reports Windows 8 to a program
// without a compatibility entry for later systems in its manifest.
WindowsVersion RealWindowsVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    WindowsVersion version;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");  // in every process
    auto get = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                           reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                     : nullptr;
    RTL_OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (get && get(&info) == 0) {
        version.major = info.dwMajorVersion;
        version.minor = info.dwMinorVersion;
        version.build = info.dwBuildNumber;
    }
    return version;
}

bool Acquire(void* authData, CredHandle& handle) {
    TimeStamp expiry;
    return Security().sspi->AcquireCredentialsHandleA(
               nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND, nullptr, authData,
               nullptr, nullptr, &handle, &expiry) == SEC_E_OK;
}

// TLS 1.2 and 1.3 through the newer credentials.
bool AcquireWithTlsParameters(CredHandle& handle) {
    TlsParametersRecord parameters{};
    parameters.disabledProtocols =
        ~static_cast<DWORD>(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT);
    SchCredentialsRecord credentials{};
    credentials.version = SCH_CREDENTIALS_VERSION;
    credentials.flags = kCredentialFlags;
    credentials.tlsParameterCount = 1;
    credentials.tlsParameters = &parameters;
    return Acquire(&credentials, handle);
}

// TLS 1.2 through the older credentials, which never negotiate TLS 1.3 on
// Windows.
bool AcquireTls12(CredHandle& handle) {
    SCHANNEL_CRED credentials{};
    credentials.dwVersion = SCHANNEL_CRED_VERSION;
    credentials.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    credentials.dwFlags = kCredentialFlags;
    return Acquire(&credentials, handle);
}

// The client credentials and the Root store, made at the first TLS check of
// the run and kept: loading the libraries and the system's roots is the
// costly part, and later checks must not pay it again. Never destroyed: a
// worker may still be in a handshake or a chain check (which can fetch over
// the network) while the program ends.
class ClientCredentials {
  public:
    static ClientCredentials& Get() {
        static ClientCredentials* credentials = new ClientCredentials;
        return *credentials;
    }
    ClientCredentials(const ClientCredentials&) = delete;
    ClientCredentials& operator=(const ClientCredentials&) = delete;

    CredHandle* handle() { return valid_ ? &handle_ : nullptr; }

  private:
    ClientCredentials() {
        // Without every call of both libraries there is no TLS at all.
        if (!Security().complete())
            return;
        valid_ = (OffersTlsParametersCredentials(RealWindowsVersion()) &&
                  AcquireWithTlsParameters(handle_)) ||
                 AcquireTls12(handle_);
        // Held open for the run so that the roots stay loaded.
        roots_ = Security().openSystemStore(0, L"ROOT");
    }

    CredHandle handle_{};
    bool valid_ = false;
    HCERTSTORE roots_ = nullptr;
};

class CertificateContext {
  public:
    explicit CertificateContext(PCCERT_CONTEXT context) : context_(context) {}
    ~CertificateContext() {
        if (context_)
            Security().freeCertificate(context_);
    }
    CertificateContext(const CertificateContext&) = delete;
    CertificateContext& operator=(const CertificateContext&) = delete;
    PCCERT_CONTEXT get() const { return context_; }

  private:
    PCCERT_CONTEXT context_;
};

}  // namespace

std::shared_ptr<SocketChannel> StartPlatformTls(std::shared_ptr<SocketChannel> socket,
                                                const TlsRequest& request, TlsOutcome& outcome) {
    outcome = TlsOutcome{};
    CredHandle* credentials = ClientCredentials::Get().handle();
    const std::string& server = request.serverName;
    if (!credentials || !socket || server.empty() || server.find('\0') != std::string::npos)
        return nullptr;
    auto channel = std::make_shared<SchannelStream>(
        socket, *Security().sspi, credentials, IsAddressLiteral(server) ? std::string() : server);
    if (!channel->Handshake(outcome))
        return nullptr;

    CertificateContext certificate(channel->ServerCertificate());
    if (!certificate.get()) {
        outcome.status = kStatusBadCertificate;
        return nullptr;
    }
    PCCERT_CONTEXT cert = certificate.get();
    outcome.fingerprint = CertificateFingerprint(
        std::string_view(reinterpret_cast<const char*>(cert->pbCertEncoded), cert->cbCertEncoded));
    outcome.subject = SubjectName(cert);
    outcome.issuer = IssuerName(cert);
    outcome.problems = JudgeServerCertificate(cert, server);
    outcome.status =
        CertificateVerdict(outcome.problems == 0, outcome.fingerprint, request.pinnedPrint);
    if (outcome.status != kStatusOk)
        return nullptr;
    return channel;
}

}  // namespace pell
