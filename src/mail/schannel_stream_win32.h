#pragma once
// The TLS handshake and records of SChannel over a socket channel, through an
// SSPI function table: the system's, or a scripted one in tests, since
// SChannel under Wine takes paths that Windows does not (and the other way
// round). The records travel through the socket channel below, so its
// time-outs and its cancel hold during the handshake and after it.
#include <windows.h>
// The security headers need the base definitions first.
#define SECURITY_WIN32
#include <security.h>
#include <sspi.h>
#include <wincrypt.h>

#include <memory>
#include <string>

#include "mail/socket_channel.h"

namespace pell {

class SchannelStream final : public SocketChannel {
  public:
    // `target` is the server name the handshake names (empty for an
    // address); the table and the credentials must outlive the stream.
    SchannelStream(std::shared_ptr<SocketChannel> socket, const SecurityFunctionTableA& sspi,
                   CredHandle* credentials, std::string target);
    ~SchannelStream() override;
    SchannelStream(const SchannelStream&) = delete;
    SchannelStream& operator=(const SchannelStream&) = delete;

    // The handshake; on success the protocol (TLS 1.2 or later) and cipher
    // agreed are in the outcome.
    bool Handshake(TlsOutcome& outcome);
    // The server's certificate (to be freed by the caller), or null.
    PCCERT_CONTEXT ServerCertificate();

    void SetTimeouts(int seconds) override;
    bool Connect(std::uint32_t address, std::uint16_t port) override;
    bool Send(std::string_view data) override;
    int Receive(char* buffer, std::size_t size) override;
    void Cancel() override;
    int WaitForData(int milliseconds) override;
    void Close() override;

  private:
    SEC_CHAR* TargetName();
    bool ReceiveMore();
    void KeepExtra(const SecBuffer* buffers, int count);
    bool ContinueHandshake(bool startWithBuffered);
    int Decrypt();
    void SendCloseNotify();

    std::shared_ptr<SocketChannel> socket_;
    const SecurityFunctionTableA& sspi_;
    CredHandle* credentials_;
    std::string target_;
    unsigned long requests_;  // ISC_REQ_* flags of every call
    CtxtHandle context_{};
    bool haveContext_ = false;
    SecPkgContext_StreamSizes sizes_{};
    std::string incoming_;  // ciphertext not yet opened (bounded)
    std::string plain_;     // the last record's data
    std::size_t plainUsed_ = 0;
    bool headChecked_ = false;  // the server's first record header looked at
    bool established_ = false;
    bool failed_ = false;
    bool peerClosed_ = false;
    bool closed_ = false;
};

}  // namespace pell
