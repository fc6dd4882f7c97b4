// SChannel behind the socket interface. The TLS records travel through the
// socket channel below, so its time-outs and its cancel hold during the
// handshake and after it. SChannel is told to leave the server's certificate
// alone (under Wine it would accept any), and the certificate is judged here:
// a chain for server authentication to a trusted root, the SSL policy with the
// server's name, and no error anywhere in the chain.
#include <windows.h>
// The security headers need the base definitions first.
#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>
#include <sspi.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "mail/platform_tls.h"
#include "mail/security_libraries_win32.h"
#include "mail/tls_policy.h"

namespace pell {
namespace {

// Ciphertext kept while a record is incomplete: more than one record of the
// largest size (16 KiB of data, 2 KiB of expansion and the header), far less
// than a hostile server could send.
constexpr std::size_t kMaxIncoming = 64 * 1024;
// Rounds of a handshake that move it on; a real one needs a handful. Rounds
// that wait for the rest of a record are bounded by kMaxIncoming instead.
constexpr int kMaxHandshakeRounds = 64;

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION;

std::string Utf8(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size - 1));
    return out;
}

std::wstring Wide(const std::string& text) {
    int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (size <= 1)
        return {};
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), size);
    out.resize(static_cast<std::size_t>(size - 1));
    return out;
}

// The client credentials (TLS 1.2 and later, manual validation) and the Root
// store, made at the first TLS check of the run and kept: loading the
// libraries and the system's roots is the costly part, and later checks must
// not pay it again.
class ClientCredentials {
  public:
    static ClientCredentials& Get() {
        static ClientCredentials credentials;
        return credentials;
    }
    ~ClientCredentials() {
        if (valid_)
            Security().sspi->FreeCredentialHandle(&handle_);
        if (roots_)
            Security().closeStore(roots_, 0);
    }
    ClientCredentials(const ClientCredentials&) = delete;
    ClientCredentials& operator=(const ClientCredentials&) = delete;

    CredHandle* handle() { return valid_ ? &handle_ : nullptr; }

  private:
    ClientCredentials() {
        // Without every call of both libraries there is no TLS at all.
        if (!Security().complete())
            return;
        // Systems that cannot offer TLS 1.3 through these credentials refuse
        // the pair; TLS 1.2 alone is tried then.
        for (DWORD protocols : {static_cast<DWORD>(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT),
                                static_cast<DWORD>(SP_PROT_TLS1_2_CLIENT)}) {
            SCHANNEL_CRED cred{};
            cred.dwVersion = SCHANNEL_CRED_VERSION;
            cred.grbitEnabledProtocols = protocols;
            cred.dwFlags =
                SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
            TimeStamp expiry;
            valid_ = Security().sspi->AcquireCredentialsHandleA(
                         nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND, nullptr,
                         &cred, nullptr, nullptr, &handle_, &expiry) == SEC_E_OK;
            if (valid_)
                break;
        }
        // Held open for the run so that the roots stay loaded.
        roots_ = Security().openSystemStore(0, L"ROOT");
    }

    CredHandle handle_{};
    bool valid_ = false;
    HCERTSTORE roots_ = nullptr;
};

// An output token of SChannel, freed with the package's own call.
class OutputToken {
  public:
    OutputToken() : buffer_{0, SECBUFFER_TOKEN, nullptr}, desc_{SECBUFFER_VERSION, 1, &buffer_} {}
    ~OutputToken() {
        if (buffer_.pvBuffer)
            Security().sspi->FreeContextBuffer(buffer_.pvBuffer);
    }
    OutputToken(const OutputToken&) = delete;
    OutputToken& operator=(const OutputToken&) = delete;

    SecBufferDesc* desc() { return &desc_; }
    std::string_view bytes() const {
        return buffer_.pvBuffer
                   ? std::string_view(static_cast<const char*>(buffer_.pvBuffer), buffer_.cbBuffer)
                   : std::string_view();
    }

  private:
    SecBuffer buffer_;
    SecBufferDesc desc_;
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

// The chain to a trusted root for server authentication, the SSL policy for
// the server's name, and a chain without any error: a partial chain whose
// issuer is unknown passes the policy under Wine, so its status counts too.
bool IsTrustedFor(PCCERT_CONTEXT certificate, const std::string& server) {
    LPSTR usage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
    PCCERT_CHAIN_CONTEXT raw = nullptr;
    if (!Security().getChain(nullptr, certificate, nullptr, certificate->hCertStore, &para, 0,
                             nullptr, &raw))
        return false;
    ChainContext chain(raw);
    std::wstring name = Wide(server);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = name.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!Security().verifyChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status))
        return false;
    return status.dwError == 0 && chain.get()->TrustStatus.dwErrorStatus == CERT_TRUST_NO_ERROR;
}

std::string CipherName(const SecPkgContext_ConnectionInfo& info) {
    switch (info.aiCipher) {
        case CALG_AES_128:
            return "AES-128";
        case CALG_AES_256:
            return "AES-256";
        case CALG_3DES:
            return "3DES";
        default: {
            char text[16];
            std::snprintf(text, sizeof text, "ALG-%04X", static_cast<unsigned>(info.aiCipher));
            return text;
        }
    }
}

class SchannelChannel final : public SocketChannel {
  public:
    SchannelChannel(std::shared_ptr<SocketChannel> socket, CredHandle* credentials,
                    std::string target)
        : socket_(std::move(socket)), credentials_(credentials), target_(std::move(target)) {}
    ~SchannelChannel() override {
        if (haveContext_)
            Security().sspi->DeleteSecurityContext(&context_);
    }
    SchannelChannel(const SchannelChannel&) = delete;
    SchannelChannel& operator=(const SchannelChannel&) = delete;

    // The handshake, then the sizes of the records and the protocol agreed.
    bool Handshake(TlsOutcome& outcome) {
        OutputToken token;
        DWORD attributes = 0;
        SECURITY_STATUS status = Security().sspi->InitializeSecurityContextA(
            credentials_, nullptr, TargetName(), kContextFlags, 0, 0, nullptr, 0, &context_,
            token.desc(), &attributes, nullptr);
        if (status != SEC_I_CONTINUE_NEEDED)
            return false;
        haveContext_ = true;
        if (!socket_->Send(token.bytes()) || !ContinueHandshake())
            return false;
        if (Security().sspi->QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES,
                                                     &sizes_) != SEC_E_OK ||
            sizes_.cbMaximumMessage == 0)
            return false;
        SecPkgContext_ConnectionInfo info{};
        if (Security().sspi->QueryContextAttributesA(&context_, SECPKG_ATTR_CONNECTION_INFO,
                                                     &info) != SEC_E_OK)
            return false;
        if (info.dwProtocol & SP_PROT_TLS1_3_CLIENT) {
            outcome.protocol = "TLSv1.3";
        } else if (info.dwProtocol & SP_PROT_TLS1_2_CLIENT) {
            outcome.protocol = "TLSv1.2";
        } else {
            return false;  // older than TLS 1.2
        }
        SecPkgContext_CipherInfo cipher{};
        cipher.dwVersion = SECPKGCONTEXT_CIPHERINFO_V1;
        if (Security().sspi->QueryContextAttributesA(&context_, SECPKG_ATTR_CIPHER_INFO, &cipher) ==
                SEC_E_OK &&
            cipher.szCipherSuite[0]) {
            cipher.szCipherSuite[SZ_ALG_MAX_SIZE - 1] = 0;
            outcome.cipher = Utf8(cipher.szCipherSuite);
        } else {
            outcome.cipher = CipherName(info);
        }
        established_ = true;
        return true;
    }

    PCCERT_CONTEXT ServerCertificate() {
        PCCERT_CONTEXT certificate = nullptr;
        if (Security().sspi->QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                                     &certificate) != SEC_E_OK)
            return nullptr;
        return certificate;
    }

    void SetTimeouts(int seconds) override { socket_->SetTimeouts(seconds); }
    bool Connect(std::uint32_t /*address*/, std::uint16_t /*port*/) override { return false; }

    bool Send(std::string_view data) override {
        if (!established_ || failed_)
            return false;
        while (!data.empty()) {
            std::size_t size = std::min<std::size_t>(data.size(), sizes_.cbMaximumMessage);
            std::string record(sizes_.cbHeader + size + sizes_.cbTrailer, '\0');
            char* header = record.data();
            std::memcpy(header + sizes_.cbHeader, data.data(), size);
            SecBuffer buffers[4] = {
                {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, header},
                {static_cast<unsigned long>(size), SECBUFFER_DATA, header + sizes_.cbHeader},
                {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, header + sizes_.cbHeader + size},
                {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
            if (Security().sspi->EncryptMessage(&context_, 0, &desc, 0) != SEC_E_OK)
                return false;
            std::size_t length = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
            if (length > record.size() || !socket_->Send(std::string_view(header, length)))
                return false;
            data.remove_prefix(size);
        }
        return true;
    }

    int Receive(char* buffer, std::size_t size) override {
        if (!established_)
            return -1;
        for (;;) {
            if (plainUsed_ < plain_.size()) {
                std::size_t n = std::min(size, plain_.size() - plainUsed_);
                std::memcpy(buffer, plain_.data() + plainUsed_, n);
                plainUsed_ += n;
                return static_cast<int>(n);
            }
            if (failed_)
                return -1;
            if (!incoming_.empty()) {
                int decrypted = Decrypt();
                if (decrypted < 0) {
                    failed_ = true;
                    return -1;
                }
                if (decrypted > 0)
                    continue;  // a record was opened (it may have held no data)
            }
            if (peerClosed_)
                return 0;
            if (!ReceiveMore())
                return peerClosed_ ? 0 : -1;
        }
    }

    void Cancel() override { socket_->Cancel(); }

    int WaitForData(int milliseconds) override {
        if (!established_)
            return -1;
        if (plainUsed_ < plain_.size() || !incoming_.empty() || failed_ || peerClosed_)
            return 1;
        return socket_->WaitForData(milliseconds);
    }

    void Close() override {
        if (closed_)
            return;
        closed_ = true;
        if (established_ && !failed_)
            SendCloseNotify();
        socket_->Close();
    }

  private:
    SEC_CHAR* TargetName() { return target_.empty() ? nullptr : target_.data(); }

    // Appends what the socket has, within the bound. False when the peer
    // closed (peerClosed_), the receive failed, or the bound was reached.
    bool ReceiveMore() {
        if (incoming_.size() >= kMaxIncoming)
            return false;
        char chunk[16 * 1024];
        std::size_t room = std::min(sizeof chunk, kMaxIncoming - incoming_.size());
        int got = socket_->Receive(chunk, room);
        if (got == 0)
            peerClosed_ = true;
        if (got <= 0)
            return false;
        incoming_.append(chunk, static_cast<std::size_t>(got));
        return true;
    }

    // Keeps the bytes SChannel did not consume (SECBUFFER_EXTRA) and drops
    // the rest.
    void KeepExtra(const SecBuffer* buffers, int count) {
        for (int i = 0; i < count; ++i) {
            if (buffers[i].BufferType == SECBUFFER_EXTRA && buffers[i].cbBuffer > 0 &&
                buffers[i].cbBuffer <= incoming_.size()) {
                incoming_.erase(0, incoming_.size() - buffers[i].cbBuffer);
                return;
            }
        }
        incoming_.clear();
    }

    // Handshake rounds over what arrives until SChannel is done.
    bool ContinueHandshake() {
        SECURITY_STATUS status = SEC_I_CONTINUE_NEEDED;
        for (int round = 0; round < kMaxHandshakeRounds;) {
            if ((incoming_.empty() || status == SEC_E_INCOMPLETE_MESSAGE) && !ReceiveMore())
                return false;
            // SChannel under Wine would wait for the rest of a plain greeting
            // taken for a record, up to the time-out.
            if (!headChecked_ && incoming_.size() >= 5) {
                if (!CanOpenTlsHandshake(incoming_))
                    return false;
                headChecked_ = true;
            }
            SecBuffer input[2] = {
                {static_cast<unsigned long>(incoming_.size()), SECBUFFER_TOKEN, incoming_.data()},
                {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc inputDesc{SECBUFFER_VERSION, 2, input};
            OutputToken token;
            DWORD attributes = 0;
            status = Security().sspi->InitializeSecurityContextA(
                credentials_, &context_, TargetName(), kContextFlags, 0, 0, &inputDesc, 0, nullptr,
                token.desc(), &attributes, nullptr);
            if (status == SEC_E_INCOMPLETE_MESSAGE)
                continue;
            // Also a failure may come with an alert for the server.
            if (!token.bytes().empty() && !socket_->Send(token.bytes()))
                return false;
            if (status == SEC_E_OK) {
                KeepExtra(input, 2);
                return true;
            }
            if (status != SEC_I_CONTINUE_NEEDED && status != SEC_I_INCOMPLETE_CREDENTIALS)
                return false;
            KeepExtra(input, 2);
            ++round;
        }
        return false;
    }

    // Opens one record from incoming_: 1 when one was opened, 0 when more
    // bytes are needed, -1 on failure.
    int Decrypt() {
        SecBuffer buffers[4] = {
            {static_cast<unsigned long>(incoming_.size()), SECBUFFER_DATA, incoming_.data()},
            {0, SECBUFFER_EMPTY, nullptr},
            {0, SECBUFFER_EMPTY, nullptr},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        SECURITY_STATUS status = Security().sspi->DecryptMessage(&context_, &desc, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE)
            return 0;
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED)
            return -1;
        plain_.clear();
        plainUsed_ = 0;
        const std::size_t before = incoming_.size();
        for (const SecBuffer& b : buffers) {
            if (b.BufferType == SECBUFFER_DATA && b.pvBuffer && b.cbBuffer > 0)
                plain_.assign(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
        }
        KeepExtra(buffers, 4);
        if (status == SEC_I_CONTEXT_EXPIRED) {
            peerClosed_ = true;  // the server's close notification
            incoming_.clear();
            return 1;
        }
        // A record that consumed nothing would be opened again and again.
        if (plain_.empty() && incoming_.size() >= before && status == SEC_E_OK)
            return -1;
        if (status == SEC_I_RENEGOTIATE && !ContinueHandshake())
            return -1;
        return 1;
    }

    void SendCloseNotify() {
        DWORD type = SCHANNEL_SHUTDOWN;
        SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
        SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
        if (Security().sspi->ApplyControlToken(&context_, &controlDesc) != SEC_E_OK)
            return;
        OutputToken token;
        DWORD attributes = 0;
        Security().sspi->InitializeSecurityContextA(credentials_, &context_, TargetName(),
                                                    kContextFlags, 0, 0, nullptr, 0, nullptr,
                                                    token.desc(), &attributes, nullptr);
        if (!token.bytes().empty())
            socket_->Send(token.bytes());
    }

    std::shared_ptr<SocketChannel> socket_;
    CredHandle* credentials_;
    std::string target_;  // the name indication; empty for an address
    CtxtHandle context_{};
    bool haveContext_ = false;
    SecPkgContext_StreamSizes sizes_{};
    std::string incoming_;  // ciphertext not yet opened (at most kMaxIncoming bytes)
    std::string plain_;     // the last record's data
    std::size_t plainUsed_ = 0;
    bool headChecked_ = false;  // the server's first record header looked at
    bool established_ = false;
    bool failed_ = false;
    bool peerClosed_ = false;
    bool closed_ = false;
};

}  // namespace

std::shared_ptr<SocketChannel> StartPlatformTls(std::shared_ptr<SocketChannel> socket,
                                                const TlsRequest& request, TlsOutcome& outcome) {
    outcome = TlsOutcome{};
    CredHandle* credentials = ClientCredentials::Get().handle();
    const std::string& server = request.serverName;
    if (!credentials || !socket || server.empty() || server.find('\0') != std::string::npos)
        return nullptr;
    auto channel = std::make_shared<SchannelChannel>(
        socket, credentials, IsAddressLiteral(server) ? std::string() : server);
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
    wchar_t subject[512] = {};
    Security().nameToString(X509_ASN_ENCODING, &cert->pCertInfo->Subject,
                            CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG, subject, 512);
    outcome.subject = Utf8(subject);
    bool verified = IsTrustedFor(cert, server);
    outcome.status = CertificateVerdict(verified, outcome.fingerprint, request.pinnedPrint);
    if (outcome.status != kStatusOk)
        return nullptr;
    return channel;
}

}  // namespace pell
