#include "mail/imap_mailbox.h"

#include <algorithm>

#include "mail/imap_text.h"
#include "mail/pop_session.h"
#include "mail/status_codes.h"
#include "mail/tls_policy.h"
#include "startup/text_search.h"

namespace pell {
namespace {

struct LoginCommand {
    std::string line;
    std::vector<std::string> continuations;  // each a whole line
};

// LOGIN with each name as a quoted string, or as a literal when it holds
// bytes a quoted string may not carry (Shift_JIS).
LoginCommand BuildLogin(std::string_view user, std::string_view password) {
    LoginCommand command;
    command.line = "LOGIN";
    for (std::string_view text : {user, password}) {
        std::string& current =
            command.continuations.empty() ? command.line : command.continuations.back();
        current += ' ';
        if (IsQuotableText(text)) {
            current += QuotedString(text);
        } else {
            current += "{" + std::to_string(text.size()) + "}";
            command.continuations.emplace_back(text);
        }
    }
    for (std::string& line : command.continuations)
        line += "\r\n";
    return command;
}

std::vector<std::string> UpperWords(std::string_view text) {
    std::vector<std::string> words;
    for (std::string_view word : ImapWords(text)) {
        std::string upper(word);
        for (char& c : upper)
            c = AsciiUpper(c);
        words.push_back(std::move(upper));
    }
    return words;
}

}  // namespace

std::uint16_t ImapPort(const ImapAccount& account) {
    if (std::optional<std::uint16_t> port = PortFromText(account.portText))
        return *port;
    return SecurityFromSetting(account.security) == kSecurityImplicit ? kImapTlsPort : kImapPort;
}

int ImapFailureStatus(const ImapCommandResult& result, int failed) {
    if (result.end == ImapReplyEnd::kBadReply)
        return kStatusBadReply;
    if (result.bye)
        return kStatusConnect;
    return failed;
}

int ImapMailbox::Connect(const ImapAccount& account, TlsOutcome& tls, bool& preauth) {
    // Many connections to one IMAP server are ordinary (phone, idle
    // watcher, this check): only POP3 keeps other programs out.
    ServerEndpoint endpoint{account.server, ImapPort(account), account.timeoutSeconds,
                            account.certFingerprint, false};
    int status = connection_.Open(endpoint);
    if (status != kStatusOk)
        return status;
    const ConnectionSecurity security = SecurityFromSetting(account.security);
    if (security == kSecurityImplicit) {
        tls = connection_.StartTls();
        if (tls.status != kStatusOk)
            return tls.status;
    }
    channel_ = std::make_unique<ImapChannel>(connection_.socket());
    status = ReadGreeting(preauth);
    if (status == kStatusOk && security == kSecurityStls)
        status = Protect(tls, preauth);
    return status;
}

int ImapMailbox::Open(const ImapAccount& account, TlsOutcome& tls,
                      const std::function<void()>& loggedIn) {
    bool preauth = false;
    int status = Connect(account, tls, preauth);
    if (status != kStatusOk)
        return status;
    if (!preauth)
        status = LogIn(account);
    if (loggedIn)
        loggedIn();
    if (status != kStatusOk)
        return status;
    return Examine(account.folder);
}

int ImapMailbox::ReadGreeting(bool& preauth) {
    ImapResponse greeting;
    ImapRead read = channel_->Read(greeting);
    if (read == ImapRead::kTooLarge)
        return kStatusBadReply;
    if (read != ImapRead::kResponse)
        return kStatusConnect;
    ImapHead head = ParseImapHead(greeting.text);
    if (head.kind != ImapKind::kUntagged)
        return kStatusBadReply;  // not an IMAP server (a POP3 one says "+OK")
    if (head.status == ImapStatus::kBye)
        return kStatusConnect;
    if (head.status != ImapStatus::kOk && head.status != ImapStatus::kPreauth)
        return kStatusBadReply;
    preauth = head.status == ImapStatus::kPreauth;
    NoteCode(head.code);
    return kStatusOk;
}

int ImapMailbox::Protect(TlsOutcome& tls, bool preauth) {
    // Logged in already, in the clear: STARTTLS is no longer possible, and a
    // PREAUTH there may well be an attacker's.
    if (preauth)
        return kStatusNoStls;
    if (capabilities_.empty()) {
        ImapCommandResult result =
            channel_->Run("CAPABILITY", [this](ImapResponse& r) { Note(r); });
        if (result.end == ImapReplyEnd::kSendFailed || result.end == ImapReplyEnd::kNoReply ||
            result.end == ImapReplyEnd::kBadReply)
            return ImapFailureStatus(result, kStatusConnect);
    }
    if (!HasCapability("STARTTLS"))
        return kStatusNoStls;
    // What the server says in the clear is not heard: only the tagged answer.
    ImapCommandResult result = channel_->Run("STARTTLS", nullptr);
    if (result.end == ImapReplyEnd::kBadReply)
        return kStatusBadReply;
    if (result.end != ImapReplyEnd::kOk)
        return kStatusNoStls;
    // Bytes behind the answer came before the handshake, in the clear: they
    // would be read later as if they had been protected.
    if (channel_->holdsBytes())
        return kStatusTlsFailed;
    channel_.reset();
    tls = connection_.StartTls();
    if (tls.status != kStatusOk)
        return tls.status;
    channel_ = std::make_unique<ImapChannel>(connection_.socket());
    capabilities_.clear();
    if (!RefreshCapabilities())
        return kStatusConnect;
    return kStatusOk;
}

bool ImapMailbox::RefreshCapabilities() {
    capabilities_.clear();
    ImapCommandResult result = channel_->Run("CAPABILITY", [this](ImapResponse& r) { Note(r); });
    if (result.end == ImapReplyEnd::kBadReply || result.bye)
        return false;
    return result.end != ImapReplyEnd::kSendFailed && result.end != ImapReplyEnd::kNoReply;
}

int ImapMailbox::LogIn(const ImapAccount& account) {
    // CR, LF or NUL would end the command early and make the rest of the
    // text a command of its own.
    if (!IsSendableText(account.user))
        return kStatusUser;
    if (!IsSendableText(account.password))
        return kStatusPassword;
    if (capabilities_.empty() && !RefreshCapabilities())
        return bye_ ? kStatusConnect : kStatusUser;
    auto note = [this](ImapResponse& r) { Note(r); };
    ImapCommandResult result;
    if (HasCapability("AUTH=PLAIN")) {
        std::string plain =
            EncodeBase64(std::string(1, '\0') + account.user + '\0' + account.password);
        if (HasCapability("SASL-IR"))
            result = channel_->Run("AUTHENTICATE PLAIN " + plain, note);
        else
            result = channel_->Run("AUTHENTICATE PLAIN", note, {plain + "\r\n"});
    } else {
        LoginCommand login = BuildLogin(account.user, account.password);
        result = channel_->Run(login.line, note, std::move(login.continuations));
    }
    switch (result.end) {
        case ImapReplyEnd::kOk:
            NoteCode(result.code);
            return kStatusOk;
        case ImapReplyEnd::kNo:
        case ImapReplyEnd::kBad:
            // A mailbox another session holds (RFC 5530's INUSE) is no
            // wrong password.
            return UpperWords(result.code) == std::vector<std::string>{"INUSE"} ? kStatusOtherApp
                                                                                : kStatusLogin;
        case ImapReplyEnd::kSendFailed:
            return kStatusUser;
        default:
            return ImapFailureStatus(result, kStatusPassword);
    }
}

int ImapMailbox::Examine(const std::string& folder) {
    folder_ = ImapFolderState();
    ImapCommandResult result = channel_->Run("EXAMINE " + QuotedString(FolderNameToImap(folder)),
                                             [this](ImapResponse& r) { Note(r); });
    switch (result.end) {
        case ImapReplyEnd::kOk:
            return kStatusOk;
        case ImapReplyEnd::kNo:
        case ImapReplyEnd::kBad:
            return kStatusNoFolder;
        default:
            return ImapFailureStatus(result, kStatusList);
    }
}

int ImapMailbox::Logout() {
    ImapCommandResult result = channel_->Run("LOGOUT", nullptr);
    switch (result.end) {
        case ImapReplyEnd::kOk:
            return kStatusOk;
        case ImapReplyEnd::kNo:
        case ImapReplyEnd::kBad:
            return kStatusLogin;
        case ImapReplyEnd::kSendFailed:
            return kStatusQuit;
        case ImapReplyEnd::kBadReply:
            return kStatusBadReply;
        default:
            // Closing after the farewell without the tagged answer is
            // common enough; closing without a word is a silent server.
            if (result.bye)
                return kStatusOk;
            return channel_->peerClosed() ? kStatusSilent : kStatusQuit;
    }
}

int ProbeImapCertificate(Network& network, ImapAccount account, TlsOutcome& tls) {
    if (SecurityFromSetting(account.security) == kSecurityPlain)
        account.security = kSecurityStls;
    ImapMailbox mailbox(network, {});
    bool preauth = false;
    int status = mailbox.Connect(account, tls, preauth);
    if (status == kStatusOk)
        mailbox.Logout();
    return status;
}

bool ImapMailbox::HasCapability(std::string_view name) const {
    return std::any_of(capabilities_.begin(), capabilities_.end(),
                       [name](const std::string& c) { return EqualsNoCase(c, name); });
}

void ImapMailbox::Note(ImapResponse& response) {
    ImapHead head = ParseImapHead(response.text);
    if (head.kind != ImapKind::kUntagged)
        return;
    if (head.status == ImapStatus::kBye) {
        bye_ = true;
    } else if (head.status != ImapStatus::kNone) {
        NoteCode(head.code);
    } else if (IsWord(head.keyword, "CAPABILITY")) {
        capabilities_ = UpperWords(head.rest);
    } else if (head.number && IsWord(head.keyword, "EXISTS")) {
        folder_.exists = *head.number;
    }
}

void ImapMailbox::NoteCode(std::string_view code) {
    if (code.empty())
        return;
    std::vector<std::string_view> words = ImapWords(code);
    if (words.empty())
        return;
    if (IsWord(words.front(), "CAPABILITY")) {
        std::size_t end =
            static_cast<std::size_t>(words.front().data() - code.data()) + words.front().size();
        capabilities_ = UpperWords(code.substr(end));
    } else if (std::optional<std::uint32_t> validity = CodeNumber(code, "UIDVALIDITY")) {
        folder_.uidValidity = *validity;
    } else if (std::optional<std::uint32_t> next = CodeNumber(code, "UIDNEXT")) {
        folder_.uidNext = *next;
    }
}

}  // namespace pell
