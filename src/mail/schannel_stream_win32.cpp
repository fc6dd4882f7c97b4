#include "mail/schannel_stream_win32.h"

#include <schannel.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "mail/tls_policy.h"
#include "mail/wide_text_win32.h"

namespace pell {
namespace {

// Ciphertext kept while a record is incomplete: more than one record of the
// largest size (16 KiB of data, 2 KiB of expansion and the header), far less
// than a hostile server could send.
constexpr std::size_t kMaxIncoming = 64 * 1024;
// Rounds of a handshake that move it on; a real one needs a handful. Rounds
// that wait for the rest of a record are bounded by kMaxIncoming instead.
constexpr int kMaxHandshakeRounds = 64;

constexpr unsigned long kContextRequests = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                           ISC_REQ_CONFIDENTIALITY | ISC_REQ_EXTENDED_ERROR |
                                           ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                           ISC_REQ_MANUAL_CRED_VALIDATION;

// An output token of SChannel, freed with the package's own call.
class OutputToken {
  public:
    explicit OutputToken(const SecurityFunctionTableA& sspi)
        : sspi_(sspi),
          buffer_{0, SECBUFFER_TOKEN, nullptr},
          desc_{SECBUFFER_VERSION, 1, &buffer_} {}
    ~OutputToken() {
        if (buffer_.pvBuffer)
            sspi_.FreeContextBuffer(buffer_.pvBuffer);
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
    const SecurityFunctionTableA& sspi_;
    SecBuffer buffer_;
    SecBufferDesc desc_;
};

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

}  // namespace

SchannelStream::SchannelStream(std::shared_ptr<SocketChannel> socket,
                               const SecurityFunctionTableA& sspi, CredHandle* credentials,
                               std::string target)
    : socket_(std::move(socket)),
      sspi_(sspi),
      credentials_(credentials),
      target_(std::move(target)),
      requests_(kContextRequests) {}

SchannelStream::~SchannelStream() {
    if (haveContext_)
        sspi_.DeleteSecurityContext(&context_);
}

bool SchannelStream::Handshake(TlsOutcome& outcome) {
    OutputToken token(sspi_);
    unsigned long attributes = 0;
    SECURITY_STATUS status =
        sspi_.InitializeSecurityContextA(credentials_, nullptr, TargetName(), requests_, 0, 0,
                                         nullptr, 0, &context_, token.desc(), &attributes, nullptr);
    if (status != SEC_I_CONTINUE_NEEDED)
        return false;
    haveContext_ = true;
    if (!socket_->Send(token.bytes()) || !ContinueHandshake(false))
        return false;
    if (sspi_.QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK ||
        sizes_.cbMaximumMessage == 0)
        return false;
    SecPkgContext_ConnectionInfo info{};
    if (sspi_.QueryContextAttributesA(&context_, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK)
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
    if (sspi_.QueryContextAttributesA(&context_, SECPKG_ATTR_CIPHER_INFO, &cipher) == SEC_E_OK &&
        cipher.szCipherSuite[0]) {
        cipher.szCipherSuite[SZ_ALG_MAX_SIZE - 1] = 0;
        outcome.cipher = Utf8FromWide(cipher.szCipherSuite);
    } else {
        outcome.cipher = CipherName(info);
    }
    established_ = true;
    return true;
}

PCCERT_CONTEXT SchannelStream::ServerCertificate() {
    PCCERT_CONTEXT certificate = nullptr;
    if (sspi_.QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
        SEC_E_OK)
        return nullptr;
    return certificate;
}

void SchannelStream::SetTimeouts(int seconds) {
    socket_->SetTimeouts(seconds);
}

bool SchannelStream::Connect(std::uint32_t /*address*/, std::uint16_t /*port*/) {
    return false;
}

bool SchannelStream::Send(std::string_view data) {
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
        if (sspi_.EncryptMessage(&context_, 0, &desc, 0) != SEC_E_OK)
            return false;
        std::size_t length = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
        if (length > record.size() || !socket_->Send(std::string_view(header, length)))
            return false;
        data.remove_prefix(size);
    }
    return true;
}

int SchannelStream::Receive(char* buffer, std::size_t size) {
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

void SchannelStream::Cancel() {
    socket_->Cancel();
}

// Data already opened or bytes still to open count as ready, as do a failure
// and the server's close: the next Receive reports them at once.
int SchannelStream::WaitForData(int milliseconds) {
    if (!established_)
        return -1;
    if (plainUsed_ < plain_.size() || !incoming_.empty() || failed_ || peerClosed_)
        return 1;
    return socket_->WaitForData(milliseconds);
}

void SchannelStream::Close() {
    if (closed_)
        return;
    closed_ = true;
    if (established_ && !failed_)
        SendCloseNotify();
    socket_->Close();
}

SEC_CHAR* SchannelStream::TargetName() {
    return target_.empty() ? nullptr : target_.data();
}

// Appends what the socket has, within the bound. False when the peer closed
// (peerClosed_), the receive failed, or the bound was reached.
bool SchannelStream::ReceiveMore() {
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

// Keeps the bytes SChannel did not consume (SECBUFFER_EXTRA, always the tail
// of the input) and drops the rest.
void SchannelStream::KeepExtra(const SecBuffer* buffers, int count) {
    for (int i = 0; i < count; ++i) {
        if (buffers[i].BufferType == SECBUFFER_EXTRA && buffers[i].cbBuffer > 0 &&
            buffers[i].cbBuffer <= incoming_.size()) {
            incoming_.erase(0, incoming_.size() - buffers[i].cbBuffer);
            return;
        }
    }
    incoming_.clear();
}

// Handshake rounds until SChannel is done. A first handshake waits for the
// server's answer to the client's hello; a renegotiation starts at once with
// what is buffered, even nothing, because the server now waits for us.
bool SchannelStream::ContinueHandshake(bool startWithBuffered) {
    bool needMore = !startWithBuffered && incoming_.empty();
    for (int round = 0; round < kMaxHandshakeRounds;) {
        if (needMore && !ReceiveMore())
            return false;
        needMore = false;
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
        OutputToken token(sspi_);
        unsigned long attributes = 0;
        const SECURITY_STATUS status = sspi_.InitializeSecurityContextA(
            credentials_, &context_, TargetName(), requests_, 0, 0, &inputDesc, 0, nullptr,
            token.desc(), &attributes, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needMore = true;
            continue;
        }
        // Also a failure may come with an alert for the server.
        if (!token.bytes().empty() && !socket_->Send(token.bytes()))
            return false;
        ++round;
        if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
            // The server asks for a client certificate, which it may do
            // without needing one: go on without, over the same bytes.
            if (requests_ & ISC_REQ_USE_SUPPLIED_CREDS)
                return false;
            requests_ |= ISC_REQ_USE_SUPPLIED_CREDS;
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED)
            return false;
        KeepExtra(input, 2);
        if (status == SEC_E_OK)
            return true;
        needMore = incoming_.empty();
    }
    return false;
}

// Opens one record from incoming_: 1 when one was opened, 0 when more bytes
// are needed, -1 on failure.
int SchannelStream::Decrypt() {
    SecBuffer buffers[4] = {
        {static_cast<unsigned long>(incoming_.size()), SECBUFFER_DATA, incoming_.data()},
        {0, SECBUFFER_EMPTY, nullptr},
        {0, SECBUFFER_EMPTY, nullptr},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = sspi_.DecryptMessage(&context_, &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE)
        return 0;
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED)
        return -1;
    plain_.clear();
    plainUsed_ = 0;
    const std::size_t before = incoming_.size();
    // The data is decrypted in place: anything outside the input is ignored.
    const char* begin = incoming_.data();
    const char* end = begin + incoming_.size();
    for (const SecBuffer& b : buffers) {
        const char* data = static_cast<const char*>(b.pvBuffer);
        if (b.BufferType == SECBUFFER_DATA && data && b.cbBuffer > 0 && data >= begin &&
            data < end && b.cbBuffer <= static_cast<std::size_t>(end - data))
            plain_.assign(data, b.cbBuffer);
    }
    KeepExtra(buffers, 4);
    if (status == SEC_I_CONTEXT_EXPIRED) {
        peerClosed_ = true;  // the server's close notification
        incoming_.clear();
        return 1;
    }
    if (status == SEC_I_RENEGOTIATE) {
        // A renegotiation (TLS 1.2) or a message after the handshake such as
        // a session ticket (TLS 1.3): SChannel takes the bytes behind the
        // record, or none, at once.
        if (!ContinueHandshake(true) ||
            sspi_.QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) !=
                SEC_E_OK ||
            sizes_.cbMaximumMessage == 0)
            return -1;
        return 1;
    }
    // A record that consumed nothing would be opened again and again.
    if (plain_.empty() && incoming_.size() >= before)
        return -1;
    return 1;
}

void SchannelStream::SendCloseNotify() {
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
    if (sspi_.ApplyControlToken(&context_, &controlDesc) != SEC_E_OK)
        return;
    OutputToken token(sspi_);
    unsigned long attributes = 0;
    sspi_.InitializeSecurityContextA(credentials_, &context_, TargetName(), requests_, 0, 0,
                                     nullptr, 0, nullptr, token.desc(), &attributes, nullptr);
    if (!token.bytes().empty())
        socket_->Send(token.bytes());
}

}  // namespace pell
