#include "mail/imap_session.h"

#include <algorithm>
#include <functional>
#include <map>

#include "mail/check_run.h"
#include "mail/imap_mailbox.h"
#include "mail/imap_message.h"
#include "mail/message_identity.h"
#include "mail/status_codes.h"

namespace pell {
namespace {

ImapAccount AccountOf(const PopSessionInput& in) {
    ImapAccount account;
    account.server = in.server;
    account.portText = in.portText;
    account.user = in.user;
    account.password = in.password;
    account.folder = in.folder.empty() ? "INBOX" : in.folder;
    account.security = in.security;
    account.certFingerprint = in.certFingerprint;
    account.timeoutSeconds = in.timeoutSeconds;
    account.uidValidity = in.imapUidValidity;
    account.uidNext = in.imapUidNext;
    return account;
}

int Clamped(std::size_t value) {
    return static_cast<int>(std::min<std::size_t>(value, 0x7FFFFFFF));
}

std::string UidSet(const std::vector<std::uint32_t>& uids) {
    std::string set;
    for (std::uint32_t uid : uids) {
        if (!set.empty())
            set += ',';
        set += std::to_string(uid);
    }
    return set;
}

struct Fetched {
    MailSummary summary;
    std::string id;
};

class ImapCheck {
  public:
    ImapCheck(ImapMailbox& mailbox, const PopSessionInput& in, PopSessionOutput& out,
              const PopSessionHooks& hooks)
        : mailbox_(mailbox), in_(in), out_(out), hooks_(hooks) {}

    // Everything between EXAMINE and LOGOUT: 0 or the status of the step
    // that failed.
    int Run() {
        const ImapFolderState& folder = mailbox_.folder();
        out_.messageCount = Clamped(folder.exists);
        std::optional<std::uint32_t> uidNext = folder.uidNext;
        if (!uidNext && folder.exists > 0) {
            int status = AskUidNext(uidNext);
            if (status != kStatusOk)
                return status;
        }
        const bool first = in_.imapUidNext == 0 || in_.imapUidValidity == 0 ||
                           in_.imapUidValidity != folder.uidValidity;
        out_.imapUidValidity = folder.uidValidity;
        out_.imapUidNext = uidNext.value_or(first ? 0 : in_.imapUidNext);
        const std::uint32_t low = first ? 1 : in_.imapUidNext;
        // Messages that arrive from now on have UIDs at or above UIDNEXT:
        // the next check announces them.
        if (folder.exists == 0 || !uidNext || *uidNext <= low)
            return kStatusOk;
        const std::uint32_t high = *uidNext - 1;

        NewestUids found(kMaxSummaries);
        ImapCommandResult search = mailbox_.channel().Run(
            "UID SEARCH UID " + std::to_string(low) + ":" + std::to_string(high) + " UNSEEN",
            [&](ImapResponse& response) {
                ImapHead head = ParseImapHead(response.text);
                if (head.kind != ImapKind::kUntagged || head.number ||
                    !IsWord(head.keyword, "SEARCH")) {
                    mailbox_.Note(response);
                    return;
                }
                for (std::string_view word : ImapWords(head.rest)) {
                    std::optional<std::uint32_t> uid = ParseImapNumber(word);
                    if (uid && *uid >= low && *uid <= high)
                        found.Add(*uid);
                }
            });
        if (search.end != ImapReplyEnd::kOk)
            return ImapFailureStatus(search, kStatusList);
        out_.newCount = Clamped(found.count());
        if (found.count() == 0)
            return kStatusOk;
        // A first check announces everything unread and shows the newest.
        return Fetch(found.Newest(first ? 1 : kMaxSummaries));
    }

  private:
    void Rearm() {
        if (hooks_.rearmWatchdog)
            hooks_.rearmWatchdog();
    }
    void Trace(const std::string& text) {
        if (hooks_.trace)
            hooks_.trace(text);
    }

    // A server that left UIDNEXT out of its EXAMINE answer: the UID of the
    // last message, plus one.
    int AskUidNext(std::optional<std::uint32_t>& uidNext) {
        std::optional<std::uint32_t> last;
        ImapCommandResult result =
            mailbox_.channel().Run("FETCH * (UID)", [&](ImapResponse& response) {
                ImapFetch fetch;
                if (ParseFetch(response, fetch) && fetch.uid)
                    last = std::max(last.value_or(0), *fetch.uid);
            });
        if (result.end != ImapReplyEnd::kOk || !last)
            return ImapFailureStatus(result, kStatusList);
        if (*last < 0xFFFFFFFFu)
            uidNext = *last + 1;
        return kStatusOk;
    }

    int Fetch(const std::vector<std::uint32_t>& newest) {
        const std::string command =
            "UID FETCH " + UidSet(newest) + " " + ImapFetchItems(in_.readAll, in_.getLines);
        Trace(command + "\r\n");
        Rearm();
        std::map<std::uint32_t, Fetched> fetched;
        ImapCommandResult result = mailbox_.channel().Run(command, [&](ImapResponse& response) {
            ImapFetch fetch;
            if (!ParseFetch(response, fetch)) {
                mailbox_.Note(response);
                return;
            }
            // Flag changes of other messages come as FETCH responses too.
            const bool hasText = in_.readAll ? fetch.whole.has_value() : fetch.header.has_value();
            if (!fetch.uid || !hasText ||
                std::find(newest.begin(), newest.end(), *fetch.uid) == newest.end() ||
                fetched.count(*fetch.uid))
                return;
            std::string reply =
                in_.readAll ? PopReplyFromWholeMessage(*fetch.whole)
                            : PopReplyFromImap(*fetch.header, fetch.text.value_or(std::string()),
                                               in_.getLines);
            Trace(std::to_string(reply.size()) + " byte\n");
            ExtractedMessage message = ExtractMessage(reply, in_.readAll, in_.getLines);
            Fetched& entry = fetched[*fetch.uid];
            entry.summary = std::move(message.summary);
            entry.id = message.messageId.empty() ? SyntheticMessageId(reply)
                                                 : std::move(message.messageId);
            Rearm();
        });
        out_.summaries = std::make_unique<MailSummaryList>();
        std::string ids;
        for (std::uint32_t uid : newest) {
            auto found = fetched.find(uid);
            if (found == fetched.end())
                continue;
            out_.summaries->push_back(std::move(found->second.summary));
            if (ids.size() + found->second.id.size() + 1 < kSeenIdListCapacity)
                ids += found->second.id + ",";
        }
        if (!ids.empty())
            out_.newSeenIds = std::move(ids);
        if (result.end != ImapReplyEnd::kOk)
            return ImapFailureStatus(result, kStatusTop);
        return kStatusOk;
    }

    ImapMailbox& mailbox_;
    const PopSessionInput& in_;
    PopSessionOutput& out_;
    const PopSessionHooks& hooks_;
};

}  // namespace

void NewestUids::Add(std::uint32_t uid) {
    if (uid == 0)
        return;
    // A newest UID said twice counts once.
    if (std::find(kept_.begin(), kept_.end(), uid) != kept_.end())
        return;
    ++count_;
    if (kept_.size() < keep_) {
        kept_.push_back(uid);
        std::push_heap(kept_.begin(), kept_.end(), std::greater<>());
    } else if (!kept_.empty() && uid > kept_.front()) {
        std::pop_heap(kept_.begin(), kept_.end(), std::greater<>());
        kept_.back() = uid;
        std::push_heap(kept_.begin(), kept_.end(), std::greater<>());
    }
}

std::vector<std::uint32_t> NewestUids::Newest(std::size_t most) const {
    std::vector<std::uint32_t> newest = kept_;
    std::sort(newest.begin(), newest.end(), std::greater<>());
    if (newest.size() > most)
        newest.resize(most);
    return newest;
}

std::string ImapFetchItems(bool readAll, int getLines) {
    if (readAll)
        return "(UID RFC822.SIZE BODY.PEEK[]<0." + std::to_string(kMaxMessageText) + ">)";
    std::string items =
        "(UID RFC822.SIZE BODY.PEEK[HEADER]<0." + std::to_string(kImapHeaderLimit) + ">";
    const std::size_t lines = std::min<std::size_t>(static_cast<std::size_t>(std::max(getLines, 0)),
                                                    kMaxMessageText / kImapBytesPerLine);
    if (lines > 0)
        items += " BODY.PEEK[TEXT]<0." + std::to_string(lines * kImapBytesPerLine) + ">";
    return items + ")";
}

void RunImapSession(Network& network, const PopSessionInput& in, PopSessionOutput& out,
                    const PopSessionHooks& hooks) {
    out.result = kStatusOk;
    out.messageCount = 0;
    out.mailboxSize = 0;
    out.newCount = 0;
    out.imapUidValidity = in.imapUidValidity;
    out.imapUidNext = in.imapUidNext;
    // Nothing summarised keeps the list of the last messages announced.
    if (!in.seenIds.empty())
        out.newSeenIds = in.seenIds;
    auto rearm = [&hooks] {
        if (hooks.rearmWatchdog)
            hooks.rearmWatchdog();
    };
    ImapMailbox mailbox(network, CancelThrough(hooks.run));
    TlsOutcome tls;
    out.result = mailbox.Open(AccountOf(in), tls, rearm);
    out.tlsProtocol = tls.protocol;
    out.tlsCipher = tls.cipher;
    out.certificateFingerprint = tls.fingerprint;
    if (out.result != kStatusOk)
        return;
    ImapCheck check(mailbox, in, out, hooks);
    out.result = check.Run();
    if (hooks.run && hooks.run->abandoned())
        return;
    rearm();
    int logout = mailbox.Logout();
    if (out.result == kStatusOk)
        out.result = logout;
}

}  // namespace pell
