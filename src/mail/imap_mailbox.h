#pragma once
// The opening of an IMAP conversation shared by the check and the idle
// watcher: connect (TLS from the first byte, or STARTTLS, as the account
// asks), read the greeting, learn the capabilities, log in (AUTHENTICATE
// PLAIN when announced, else LOGIN) and EXAMINE the folder read-only; and
// the LOGOUT at the end. No login command ever goes out before TLS is up
// when the account asks for TLS.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mail/imap_channel.h"
#include "mail/server_connection.h"
#include "mail/socket_channel.h"

namespace pell {

inline constexpr std::uint16_t kImapPort = 143;
inline constexpr std::uint16_t kImapTlsPort = 993;

// What an IMAP connection of one account needs, read from its section.
struct ImapAccount {
    std::string server;
    std::string portText;  // empty: 143, or 993 with Security 2
    std::string user;
    std::string password;          // plain text
    std::string folder = "INBOX";  // Shift_JIS as typed
    int security = 0;              // the Security key
    std::string certFingerprint;   // the CertFingerprint key
    int timeoutSeconds = 180;      // the TimeOut key; 0 = none
    // The folder's marks stored at the last successful check (0: none).
    std::uint32_t uidValidity = 0;
    std::uint32_t uidNext = 0;
};

// The port an account connects to.
std::uint16_t ImapPort(const ImapAccount& account);

// What EXAMINE told about the folder.
struct ImapFolderState {
    std::uint32_t exists = 0;
    std::uint32_t uidValidity = 0;  // 0 when the server did not say
    std::optional<std::uint32_t> uidNext;
};

class ImapMailbox {
  public:
    ImapMailbox(Network& network, CancelRegistration cancel)
        : connection_(network, std::move(cancel)) {}

    // Connects, protects the connection as the account asks and reads the
    // greeting: 0, or the status of the step that failed.
    int Connect(const ImapAccount& account, TlsOutcome& tls, bool& preauth);
    // Connect, then log in and examine the folder: 0, or the status of the
    // step that failed. `loggedIn` runs once the login has been answered.
    int Open(const ImapAccount& account, TlsOutcome& tls,
             const std::function<void()>& loggedIn = nullptr);

    // LOGOUT: 0, or the status a failed POP3 QUIT would give.
    int Logout();

    ImapChannel& channel() { return *channel_; }
    const ImapFolderState& folder() const { return folder_; }
    bool HasCapability(std::string_view name) const;
    // Asks for the capabilities again; false when the server did not answer.
    bool RefreshCapabilities();
    // The untagged responses that change what is known of the connection
    // (capabilities, the folder's counts and marks).
    void Note(ImapResponse& response);

  private:
    int Protect(TlsOutcome& tls, bool preauth);
    int ReadGreeting(bool& preauth);
    int LogIn(const ImapAccount& account);
    int Examine(const std::string& folder);
    void NoteCode(std::string_view code);

    ServerConnection connection_;
    std::unique_ptr<ImapChannel> channel_;
    std::vector<std::string> capabilities_;
    ImapFolderState folder_;
    bool bye_ = false;
};

// Connects as a check of the account would and runs the TLS handshake
// (STARTTLS for an account without protection), then says LOGOUT without
// logging in: the server's certificate for a person to look at and pin.
int ProbeImapCertificate(Network& network, ImapAccount account, TlsOutcome& tls);

// Status of a command that did not end well, for steps without a code of
// their own: the server's farewell and garbage win over `failed`.
int ImapFailureStatus(const ImapCommandResult& result, int failed);

}  // namespace pell
