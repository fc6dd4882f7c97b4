// OpenSSL behind the socket interface: the TLS records travel through the
// socket channel below, so its time-outs and its cancel hold during the
// handshake and after it.
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <climits>
#include <string>

#include "mail/platform_tls.h"
#include "mail/tls_policy.h"

namespace pell {
namespace {

int NoteProblem(int preverified, X509_STORE_CTX* store);

// Made at the first TLS check of the run and kept: loading the trusted roots
// (the default paths, which SSL_CERT_FILE and SSL_CERT_DIR override) is the
// costly part, and checks after the first must not pay it again. Never
// destroyed: a worker may still be in a handshake when the program ends.
class ClientContext {
  public:
    static SSL_CTX* Get() {
        static ClientContext* context = new ClientContext;
        return context->ctx_;
    }
    ClientContext(const ClientContext&) = delete;
    ClientContext& operator=(const ClientContext&) = delete;

  private:
    ClientContext() : ctx_(SSL_CTX_new(TLS_client_method())) {
        if (!ctx_)
            return;
        SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
        SSL_CTX_set_default_verify_paths(ctx_);
        // The handshake runs to its end whatever the chain; the verdict is
        // taken afterwards, when the pin can be weighed too.
        SSL_CTX_set_verify(ctx_, SSL_VERIFY_NONE, NoteProblem);
        // A server that drops the connection after its last reply without a
        // close notification has just closed, as a plain one would.
        SSL_CTX_set_options(ctx_, SSL_OP_IGNORE_UNEXPECTED_EOF);
    }

    SSL_CTX* ctx_;
};

SocketChannel* SocketOf(BIO* bio) {
    return static_cast<SocketChannel*>(BIO_get_data(bio));
}

int SocketWrite(BIO* bio, const char* data, int size) {
    BIO_clear_retry_flags(bio);
    if (size <= 0)
        return 0;
    return SocketOf(bio)->Send(std::string_view(data, static_cast<std::size_t>(size))) ? size : -1;
}

int SocketRead(BIO* bio, char* data, int size) {
    BIO_clear_retry_flags(bio);
    if (size <= 0)
        return 0;
    return SocketOf(bio)->Receive(data, static_cast<std::size_t>(size));
}

long SocketControl(BIO* /*bio*/, int command, long /*number*/, void* /*pointer*/) {
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

// A source/sink BIO over a socket channel (which must outlive it).
BIO* NewSocketBio(SocketChannel& socket) {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "pell socket");
        if (m) {
            BIO_meth_set_write(m, SocketWrite);
            BIO_meth_set_read(m, SocketRead);
            BIO_meth_set_ctrl(m, SocketControl);
        }
        return m;
    }();
    if (!method)
        return nullptr;
    BIO* bio = BIO_new(method);
    if (!bio)
        return nullptr;
    BIO_set_data(bio, &socket);
    BIO_set_init(bio, 1);
    return bio;
}

class OpenSslChannel final : public SocketChannel {
  public:
    OpenSslChannel(std::shared_ptr<SocketChannel> socket, SSL* ssl)
        : socket_(std::move(socket)), ssl_(ssl) {}
    ~OpenSslChannel() override { SSL_free(ssl_); }
    OpenSslChannel(const OpenSslChannel&) = delete;
    OpenSslChannel& operator=(const OpenSslChannel&) = delete;

    bool Handshake() {
        ERR_clear_error();
        established_ = SSL_connect(ssl_) == 1;
        ERR_clear_error();
        return established_;
    }

    void SetTimeouts(int seconds) override { socket_->SetTimeouts(seconds); }
    bool Connect(std::uint32_t /*address*/, std::uint16_t /*port*/) override { return false; }

    bool Send(std::string_view data) override {
        if (data.empty())
            return true;
        if (!established_ || data.size() > INT_MAX)
            return false;
        ERR_clear_error();
        int sent = SSL_write(ssl_, data.data(), static_cast<int>(data.size()));
        ERR_clear_error();
        return sent == static_cast<int>(data.size());
    }

    int Receive(char* buffer, std::size_t size) override {
        if (!established_)
            return -1;
        if (size == 0)
            return 0;
        ERR_clear_error();
        int got = SSL_read(ssl_, buffer, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
        int error = got > 0 ? SSL_ERROR_NONE : SSL_get_error(ssl_, got);
        ERR_clear_error();
        if (got > 0)
            return got;
        return error == SSL_ERROR_ZERO_RETURN ? 0 : -1;
    }

    void Cancel() override { socket_->Cancel(); }

    int WaitForData(int milliseconds) override {
        if (!established_)
            return -1;
        if (SSL_has_pending(ssl_))
            return 1;
        return socket_->WaitForData(milliseconds);
    }

    void Close() override {
        if (closed_)
            return;
        closed_ = true;
        if (established_) {
            ERR_clear_error();
            SSL_shutdown(ssl_);  // sends our close notification, waits for nothing
            ERR_clear_error();
        }
        socket_->Close();
    }

    SSL* ssl() { return ssl_; }
    unsigned* problems() { return &problems_; }

  private:
    std::shared_ptr<SocketChannel> socket_;
    SSL* ssl_;
    unsigned problems_ = 0;  // gathered by the chain check
    bool established_ = false;
    bool closed_ = false;
};

// A certificate name as UTF-8 text. Control characters are left as they are,
// like the Windows build's names: whoever shows a name escapes them.
std::string NameText(const X509_NAME* name) {
    BIO* text = BIO_new(BIO_s_mem());
    if (!text)
        return {};
    X509_NAME_print_ex(text, name, 0,
                       XN_FLAG_RFC2253 & ~(ASN1_STRFLGS_ESC_MSB | ASN1_STRFLGS_ESC_CTRL));
    char* data = nullptr;
    long length = BIO_get_mem_data(text, &data);
    std::string printed =
        length > 0 && data ? std::string(data, static_cast<std::size_t>(length)) : std::string();
    BIO_free(text);
    return printed;
}

unsigned ProblemOf(int error) {
    switch (error) {
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return kCertificateWrongName;
        case X509_V_ERR_CERT_HAS_EXPIRED:
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return kCertificateExpired;
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_CERT_UNTRUSTED:
            return kCertificateUntrusted;
        case X509_V_ERR_CERT_REVOKED:
            return kCertificateRevoked;
        default:
            return kCertificateOtherFault;
    }
}

// Where the chain check of a connection gathers its problems.
int ProblemsIndex() {
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// Called for every certificate of the chain: each error is noted and the
// check goes on, so that the trust question can name all of them (the
// handshake never stops here; the verdict comes after it).
int NoteProblem(int preverified, X509_STORE_CTX* store) {
    if (preverified)
        return 1;
    auto* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    if (auto* problems =
            ssl ? static_cast<unsigned*>(SSL_get_ex_data(ssl, ProblemsIndex())) : nullptr)
        *problems |= ProblemOf(X509_STORE_CTX_get_error(store));
    return 1;
}

// Names the certificate must carry, and the name indication sent.
bool AskForServerName(SSL* ssl, const std::string& server) {
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
    if (IsAddressLiteral(server))
        return X509_VERIFY_PARAM_set1_ip_asc(param, server.c_str()) == 1;
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    return X509_VERIFY_PARAM_set1_host(param, server.c_str(), server.size()) == 1 &&
           SSL_set_tlsext_host_name(ssl, server.c_str()) == 1;
}

}  // namespace

std::shared_ptr<SocketChannel> StartPlatformTls(std::shared_ptr<SocketChannel> socket,
                                                const TlsRequest& request, TlsOutcome& outcome) {
    outcome = TlsOutcome{};
    SSL_CTX* context = ClientContext::Get();
    if (!context || !socket)
        return nullptr;
    SSL* ssl = SSL_new(context);
    if (!ssl)
        return nullptr;
    auto channel = std::make_shared<OpenSslChannel>(socket, ssl);
    BIO* bio = NewSocketBio(*socket);
    if (!bio)
        return nullptr;
    SSL_set_bio(ssl, bio, bio);
    SSL_set_ex_data(ssl, ProblemsIndex(), channel->problems());
    // A server name the certificate cannot be checked against (a blank, a
    // NUL) is refused before anything is sent.
    if (request.serverName.empty() || request.serverName.find('\0') != std::string::npos ||
        !AskForServerName(ssl, request.serverName))
        return nullptr;
    if (!channel->Handshake())
        return nullptr;

    outcome.protocol = SSL_get_version(ssl);
    outcome.cipher = SSL_get_cipher_name(ssl);
    X509* certificate = SSL_get0_peer_certificate(ssl);
    if (!certificate) {
        outcome.status = kStatusBadCertificate;
        return nullptr;
    }
    int length = i2d_X509(certificate, nullptr);
    if (length > 0) {
        std::string der(static_cast<std::size_t>(length), '\0');
        auto* out = reinterpret_cast<unsigned char*>(der.data());
        i2d_X509(certificate, &out);
        outcome.fingerprint = CertificateFingerprint(der);
    }
    outcome.subject = NameText(X509_get_subject_name(certificate));
    outcome.issuer = NameText(X509_get_issuer_name(certificate));
    outcome.problems = *channel->problems();
    if (SSL_get_verify_result(ssl) != X509_V_OK && outcome.problems == 0)
        outcome.problems = kCertificateOtherFault;
    const bool verified = outcome.problems == 0;
    outcome.status = CertificateVerdict(verified, outcome.fingerprint, request.pinnedPrint);
    if (outcome.status != kStatusOk)
        return nullptr;
    return channel;
}

}  // namespace pell
