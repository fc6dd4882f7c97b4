#include "mail/imap_channel.h"

namespace pell {
namespace {

constexpr std::size_t kReceiveStep = 16 * 1024;

ImapReplyEnd EndOfStatus(ImapStatus status) {
    if (status == ImapStatus::kOk)
        return ImapReplyEnd::kOk;
    return status == ImapStatus::kNo ? ImapReplyEnd::kNo : ImapReplyEnd::kBad;
}

}  // namespace

ImapRead ImapChannel::Read(ImapResponse& response) {
    char chunk[kReceiveStep];
    while (!assembler_.Next(response)) {
        if (assembler_.failed())
            return ImapRead::kTooLarge;
        int got = socket_.Receive(chunk, sizeof chunk);
        if (got <= 0) {
            peerClosed_ = got == 0;
            return ImapRead::kEnded;
        }
        assembler_.Feed(std::string_view(chunk, static_cast<std::size_t>(got)));
    }
    return ImapRead::kResponse;
}

bool ImapChannel::Send(std::string_view line) {
    tag_ = "p" + std::to_string(++counter_);
    std::string command = tag_;
    command += ' ';
    command += line;
    command += "\r\n";
    return socket_.Send(command);
}

ImapCommandResult ImapChannel::Run(std::string_view line, const UntaggedSink& untagged,
                                   std::vector<std::string> continuations) {
    if (!Send(line)) {
        ImapCommandResult result;
        result.end = ImapReplyEnd::kSendFailed;
        return result;
    }
    return Finish(untagged, std::move(continuations));
}

ImapCommandResult ImapChannel::Finish(const UntaggedSink& untagged,
                                      std::vector<std::string> continuations,
                                      bool stopAtContinuation) {
    ImapCommandResult result;
    std::size_t nextContinuation = 0;
    std::size_t responses = 0;
    ImapResponse response;
    for (;;) {
        ImapRead read = Read(response);
        if (read != ImapRead::kResponse) {
            result.end =
                read == ImapRead::kTooLarge ? ImapReplyEnd::kBadReply : ImapReplyEnd::kNoReply;
            return result;
        }
        ImapHead head = ParseImapHead(response.text);
        if (head.kind == ImapKind::kTagged && head.tag == tag_ &&
            (head.status == ImapStatus::kOk || head.status == ImapStatus::kNo ||
             head.status == ImapStatus::kBad)) {
            result.end = EndOfStatus(head.status);
            result.code = std::string(head.code);
            return result;
        }
        if (++responses > kMaxUntaggedPerCommand) {
            result.end = ImapReplyEnd::kBadReply;
            return result;
        }
        if (head.kind == ImapKind::kContinuation) {
            if (stopAtContinuation) {
                result.end = ImapReplyEnd::kOk;
                result.continuation = true;
                return result;
            }
            std::string answer = nextContinuation < continuations.size()
                                     ? std::move(continuations[nextContinuation++])
                                     : std::string("*\r\n");
            if (!socket_.Send(answer)) {
                result.end = ImapReplyEnd::kSendFailed;
                return result;
            }
            continue;
        }
        // A stray tag belongs to no command of this connection.
        if (head.kind == ImapKind::kTagged)
            continue;
        if (head.status == ImapStatus::kBye)
            result.bye = true;
        if (untagged)
            untagged(response);
    }
}

}  // namespace pell
