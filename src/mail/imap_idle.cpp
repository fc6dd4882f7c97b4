#include "mail/imap_idle.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "mail/imap_settings.h"
#include "mail/status_codes.h"
#include "settings/password_scramble.h"
#include "settings/settings_store.h"

namespace pell {
namespace {

using Clock = std::chrono::steady_clock;

// An IDLE that the server ends sooner than this is not renewed: a server
// that ends each at once would keep the thread busy.
constexpr std::chrono::seconds kShortestIdle{60};

// Counts what announces new mail while idling and tells the owner once per
// burst of responses, and never twice within the hooks' gap.
class NewMailWatch {
  public:
    explicit NewMailWatch(const IdleHooks& hooks)
        : hooks_(hooks), gap_(std::clamp(hooks.announceGapSeconds, 0, 3600)) {}

    void Note(const ImapResponse& response) {
        ImapHead head = ParseImapHead(response.text);
        if (head.kind != ImapKind::kUntagged || !head.number)
            return;
        if (IsWord(head.keyword, "EXISTS") || (IsWord(head.keyword, "RECENT") && *head.number > 0))
            pending_ = true;
    }
    // `gapOver`: the wait for a held-back notice has ended.
    void Announce(bool gapOver = false) {
        if (!pending_ || (told_ && !gapOver && Clock::now() < nextAllowed()))
            return;
        if (hooks_.onNewMail)
            hooks_.onNewMail();
        pending_ = false;
        told_ = true;
        lastTold_ = Clock::now();
    }
    // When a held-back notice may go out, if one waits.
    std::optional<Clock::time_point> heldUntil() const {
        if (!pending_ || !told_)
            return std::nullopt;
        return nextAllowed();
    }

  private:
    Clock::time_point nextAllowed() const { return lastTold_ + gap_; }

    const IdleHooks& hooks_;
    const std::chrono::seconds gap_;
    bool pending_ = false;
    bool told_ = false;
    Clock::time_point lastTold_;
};

class IdleLoop {
  public:
    IdleLoop(ImapMailbox& mailbox, IdleControl& control, const IdleHooks& hooks)
        : mailbox_(mailbox),
          channel_(mailbox.channel()),
          control_(control),
          hooks_(hooks),
          watch_(hooks) {}

    IdleResult Run() {
        const auto renew = std::chrono::seconds(std::clamp(hooks_.renewSeconds, 1, 24 * 3600));
        for (;;) {
            if (control_.stopped())
                return Stopped();
            if (!channel_.Send("IDLE"))
                return Failed(kStatusSend);
            ImapCommandResult start =
                channel_.Finish([this](ImapResponse& r) { watch_.Note(r); }, {}, true);
            watch_.Announce();
            if (!start.continuation) {
                if (start.end == ImapReplyEnd::kNo || start.end == ImapReplyEnd::kBad) {
                    mailbox_.Logout();
                    return IdleResult{IdleEnd::kNoIdle, 0};
                }
                return Failed(start.end == ImapReplyEnd::kOk
                                  ? kStatusBadReply
                                  : ImapFailureStatus(start, kStatusConnect));
            }
            if (hooks_.onIdling)
                hooks_.onIdling();
            const Clock::time_point started = Clock::now();
            std::optional<IdleResult> end;
            bool endedByServer = false;
            if (!Wait(started + renew, end, endedByServer))
                return *end;
            if (endedByServer) {
                if (Clock::now() - started < kShortestIdle)
                    return Failed(kStatusBadReply);
                continue;
            }
            if (!channel_.SendRaw("DONE\r\n"))
                return Failed(kStatusSend);
            ImapCommandResult done = channel_.Finish([this](ImapResponse& r) { watch_.Note(r); });
            watch_.Announce();
            if (done.end != ImapReplyEnd::kOk)
                return Failed(ImapFailureStatus(done, kStatusConnect));
        }
    }

  private:
    IdleResult Stopped() const { return IdleResult{IdleEnd::kStopped, 0}; }
    IdleResult Failed(int status) const {
        if (control_.stopped())
            return Stopped();
        return IdleResult{IdleEnd::kFailed, status};
    }

    // Waits in IDLE until the deadline. False with `end` set when the idle
    // connection is over; true at the deadline, or when the server ended the
    // IDLE itself (`endedByServer`).
    bool Wait(Clock::time_point deadline, std::optional<IdleResult>& end, bool& endedByServer) {
        for (;;) {
            if (!channel_.holdsResponse()) {
                // A held-back notice wakes the wait when its gap has passed.
                const std::optional<Clock::time_point> held = watch_.heldUntil();
                const bool untilHeld = held && *held < deadline;
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    (untilHeld ? *held : deadline) - Clock::now());
                if (left.count() <= 0 && !untilHeld)
                    return true;
                int ready =
                    left.count() <= 0 ? 0 : channel_.WaitForData(static_cast<int>(left.count()));
                if (control_.stopped()) {
                    end = Stopped();
                    return false;
                }
                if (ready == 0 && untilHeld) {
                    watch_.Announce(true);
                    continue;
                }
                if (ready == 0)
                    return true;  // the whole wait passed
                if (ready < 0) {
                    end = Failed(kStatusConnect);
                    return false;
                }
            }
            ImapResponse response;
            ImapRead read = channel_.Read(response);
            if (read != ImapRead::kResponse) {
                end = Failed(read == ImapRead::kTooLarge ? kStatusBadReply : kStatusConnect);
                return false;
            }
            ImapHead head = ParseImapHead(response.text);
            if (head.kind == ImapKind::kTagged && head.tag == channel_.tag()) {
                endedByServer = true;
                watch_.Announce();
                return true;
            }
            if (head.kind == ImapKind::kUntagged && head.status == ImapStatus::kBye) {
                watch_.Announce();
                end = Failed(kStatusConnect);
                return false;
            }
            watch_.Note(response);
            if (!channel_.holdsResponse())
                watch_.Announce();
        }
    }

    ImapMailbox& mailbox_;
    ImapChannel& channel_;
    IdleControl& control_;
    const IdleHooks& hooks_;
    NewMailWatch watch_;
};

}  // namespace

ImapAccount ReadImapAccount(SettingsStore& settings, const std::string& section) {
    ImapAccount account;
    account.server = settings.ReadText(section, "Server", "", 100);
    account.portText = settings.ReadText(section, "Port", "", 10);
    account.user = settings.ReadText(section, "User", "", 50);
    account.password =
        UnscramblePassword(settings.ReadText(section, "Password", "", kMaxScrambledLength + 1));
    account.folder = ReadImapFolder(settings, section);
    account.security = settings.ReadInt(section, "Security", 0);
    account.certFingerprint = settings.ReadText(section, "CertFingerprint", "", 256);
    account.timeoutSeconds = settings.ReadInt(section, "TimeOut", 180);
    account.uidValidity = ReadImapMark(settings, section, "ImapUidValidity");
    account.uidNext = ReadImapMark(settings, section, "ImapUidNext");
    return account;
}

IdleResult RunImapIdle(Network& network, const ImapAccount& account, IdleControl& control,
                       const IdleHooks& hooks) {
    if (control.stopped())
        return IdleResult{IdleEnd::kStopped, 0};
    ImapMailbox mailbox(network, CancelThrough(&control));
    TlsOutcome tls;
    int status = mailbox.Open(account, tls);
    if (control.stopped())
        return IdleResult{IdleEnd::kStopped, 0};
    if (status != kStatusOk)
        return IdleResult{IdleEnd::kFailed, status};
    if (!mailbox.HasCapability("IDLE")) {
        if (!mailbox.RefreshCapabilities())
            return IdleResult{control.stopped() ? IdleEnd::kStopped : IdleEnd::kFailed,
                              kStatusConnect};
        if (!mailbox.HasCapability("IDLE")) {
            mailbox.Logout();
            return IdleResult{IdleEnd::kNoIdle, 0};
        }
    }
    // Mail that came between the last check and this connection.
    const ImapFolderState& folder = mailbox.folder();
    if (account.uidNext != 0 && account.uidValidity == folder.uidValidity && folder.uidNext &&
        *folder.uidNext > account.uidNext && hooks.onNewMail)
        hooks.onNewMail();
    return IdleLoop(mailbox, control, hooks).Run();
}

}  // namespace pell
