#include "dialogs/connection_test.h"

#include "character/shift_jis_cut.h"
#include "mail/certificate_text.h"
#include "mail/imap_settings.h"
#include "mail/status_codes.h"
#include "mime/unicode_cp932.h"
#include "settings/settings_conventions.h"

namespace pell {
namespace {

// The session's own limits for what it sends.
constexpr std::size_t kServerLimit = 99;
constexpr std::size_t kUserLimit = 49;
// A certificate name longer than this (in Shift_JIS bytes) is cut: the server
// chooses it, and the question must stay on the screen.
constexpr std::size_t kShownNameLimit = 200;

// The reasons a certificate was refused, one line each.
std::string ProblemLines(unsigned problems) {
    static const std::pair<unsigned, const char*> kLines[] = {
        {kCertificateUntrusted, "・信頼された認証局の証明書ではありません"},
        {kCertificateWrongName, "・ｻｰﾊﾞｰ名が証明書の名前と一致しません"},
        {kCertificateExpired, "・有効期限が切れているか、まだ有効ではありません"},
        {kCertificateRevoked, "・発行元により失効しています"},
        {kCertificateOtherFault, "・証明書を検証できません"},
    };
    std::string lines;
    for (const auto& [bit, line] : kLines) {
        if (problems & bit)
            lines += std::string(line) + "\r\n";
    }
    // Verified, yet not the certificate trusted for this account.
    if (lines.empty())
        lines = "・信頼済みの証明書と異なります\r\n";
    return lines;
}

// A name from the server (UTF-8) as the question shows it: control
// characters escaped, in Shift_JIS, cut to a readable length.
std::string ShownName(const std::string& utf8) {
    std::string sjis;
    AppendUtf8AsCp932(EscapeControlCharacters(utf8), sjis);
    if (sjis.empty())
        return "(なし)";
    if (sjis.size() <= kShownNameLimit)
        return sjis;
    return CutShiftJis(sjis, kShownNameLimit) + "...";
}

}  // namespace

std::optional<PopSessionInput> PrepareConnectionTest(DialogSurface& dialog, SettingsStore& store,
                                                     const AccountDialogSession& session) {
    const AccountFields fields = ReadAccountFields(dialog);
    if (!CheckConnectionFields(dialog, fields))
        return std::nullopt;
    PopSessionInput in;
    in.server = fields.server.substr(0, kServerLimit);
    in.user = fields.user.substr(0, kUserLimit);
    in.password = fields.password;
    in.portText = fields.port;
    in.protocol = fields.protocol;
    in.folder = fields.folder;
    in.apop = fields.apop && fields.protocol == kProtocolPop3;
    in.security = fields.security;

    // Read only: the defaults are not written back during a test.
    const int getLines = ParseDecimal(store.ReadText(kControlSection, "GetLines", "-1", 32));
    in.getLines = getLines < 0 ? 10 : getLines;
    in.timeoutSeconds = kConnectionTestTimeout;
    const std::string& section = session.section;
    if (!section.empty()) {
        const int timeout = store.ReadInt(section, "TimeOut", kConnectionTestTimeout);
        if (timeout > 0 && timeout < kConnectionTestTimeout)
            in.timeoutSeconds = timeout;
        in.readAll = IsTrueFlagText(store.ReadText(section, "ReadAll", "", 32));
        in.seenIds = store.ReadText(section, "Mesid", "", kSeenIdListCapacity);
    }
    // The folder's marks tell what is new in the stored mailbox only.
    if (SameImapMailbox(session, fields)) {
        in.imapUidValidity = ReadImapMark(store, section, "ImapUidValidity");
        in.imapUidNext = ReadImapMark(store, section, "ImapUidNext");
    }
    if (session.trustedFingerprint) {
        in.certFingerprint = *session.trustedFingerprint;
    } else if (!section.empty() && fields.server == session.storedServer) {
        in.certFingerprint = store.ReadText(section, "CertFingerprint", "", 256);
    }
    return in;
}

void ReportConnectionTest(DialogSurface& dialog, AccountDialogSession& session,
                          const PopSessionOutput& result) {
    const std::string status(StatusText(result.result));
    const std::string fingerprint = NormalizedFingerprint(result.certificateFingerprint);
    if (result.result == kStatusBadCertificate && !fingerprint.empty()) {
        const std::string question = status + "\r\n" + ProblemLines(result.certificateProblems) +
                                     "\r\n発行先: " + ShownName(result.certificateSubject) +
                                     "\r\n発行者: " + ShownName(result.certificateIssuer) +
                                     "\r\nSHA-256: " + GroupedFingerprint(fingerprint) +
                                     "\r\n\r\nこの証明書を信頼しますか？";
        if (dialog.ShowMessage(question, kConnectionTestCaption, MessageKind::kQuestion))
            session.trustedFingerprint = fingerprint;
        return;
    }
    // A server that allows a login only every so many seconds: the account's
    // checks will not come sooner, whatever its period says.
    std::string text = status;
    if (result.result == kStatusOk && result.capabilities.loginDelaySeconds > 0) {
        text +=
            "\r\n\r\nｻｰﾊﾞのﾛｸﾞｲﾝ間隔: " + std::to_string(result.capabilities.loginDelaySeconds) +
            "秒 (LOGIN-DELAY)\r\nこれより短い間隔ではﾁｪｯｸしません。";
    }
    dialog.ShowMessage(
        text, kConnectionTestCaption,
        result.result == kStatusOk ? MessageKind::kInformation : MessageKind::kWarning);
}

std::string NormalizedFingerprint(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (c == ':')
            continue;
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return std::string();
        digits += c;
    }
    return digits.size() == 64 ? digits : std::string();
}

std::string GroupedFingerprint(std::string_view fingerprint) {
    std::string grouped;
    for (std::size_t i = 0; i < fingerprint.size(); ++i) {
        if (i > 0 && i % 2 == 0)
            grouped += ':';
        grouped += fingerprint[i];
    }
    return grouped;
}

}  // namespace pell
