#include "support/scripted_imap.h"

#include <algorithm>
#include <cstring>

#include "mime/transfer_encoding.h"
#include "startup/text_search.h"

namespace pell::test {
namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        c = AsciiUpper(c);
    return text;
}

// The astrings of a command (atoms, quoted strings, literals written inline
// behind their "{n}"), from `pos` on.
std::vector<std::string> Arguments(const std::string& text, std::size_t pos) {
    std::vector<std::string> args;
    while (pos < text.size()) {
        if (text[pos] == ' ') {
            ++pos;
        } else if (text[pos] == '"') {
            std::string value;
            for (++pos; pos < text.size() && text[pos] != '"'; ++pos) {
                if (text[pos] == '\\' && pos + 1 < text.size())
                    ++pos;
                value += text[pos];
            }
            ++pos;
            args.push_back(value);
        } else if (text[pos] == '{') {
            std::size_t close = text.find('}', pos);
            std::size_t size = std::stoul(text.substr(pos + 1, close - pos - 1));
            args.push_back(text.substr(close + 1, size));
            pos = close + 1 + size;
        } else {
            std::size_t end = text.find(' ', pos);
            args.push_back(text.substr(pos, end - pos));
            pos = end == std::string::npos ? text.size() : end;
        }
    }
    return args;
}

std::vector<std::uint32_t> UidsOf(const std::string& set, std::uint32_t last) {
    std::vector<std::uint32_t> uids;
    std::size_t pos = 0;
    while (pos <= set.size()) {
        std::size_t end = set.find(',', pos);
        std::string range =
            set.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        std::size_t colon = range.find(':');
        auto value = [last](const std::string& t) {
            return t == "*" ? last : static_cast<std::uint32_t>(std::stoul(t));
        };
        std::uint32_t a = value(range.substr(0, colon));
        std::uint32_t b = colon == std::string::npos ? a : value(range.substr(colon + 1));
        for (std::uint32_t u = std::min(a, b); u <= std::max(a, b) && u - std::min(a, b) < 100000;
             ++u)
            uids.push_back(u);
        if (end == std::string::npos)
            break;
        pos = end + 1;
    }
    return uids;
}

class ScriptedImapSocket final : public SocketChannel {
  public:
    ScriptedImapSocket(std::shared_ptr<ImapServerScript> script, bool connectFails)
        : script_(std::move(script)), connectFails_(connectFails) {}

    void SetTimeouts(int) override {}
    bool Connect(std::uint32_t, std::uint16_t port) override {
        script_->connectedPort = port;
        if (connectFails_)
            return false;
        outgoing_ = script_->greeting;
        return true;
    }
    bool Send(std::string_view data) override {
        std::lock_guard<std::mutex> guard(lock_);
        if (cancelled_ || closed_)
            return false;
        input_.append(data);
        Process();
        return true;
    }
    int Receive(char* buffer, std::size_t size) override {
        std::lock_guard<std::mutex> guard(lock_);
        if (cancelled_)
            return -1;
        if (outgoing_.empty())
            return closed_ ? 0 : -1;  // nothing to say: as a time-out
        std::size_t n = std::min(size, outgoing_.size() - taken_);
        if (script_->chunk > 0)
            n = std::min(n, script_->chunk);
        std::memcpy(buffer, outgoing_.data() + taken_, n);
        taken_ += n;
        if (taken_ == outgoing_.size()) {
            outgoing_.clear();
            taken_ = 0;
        }
        script_->bytesReceivedByClient += n;
        return static_cast<int>(n);
    }
    int WaitForData(int) override {
        std::unique_lock<std::mutex> guard(lock_);
        if (cancelled_)
            return -1;
        if (!outgoing_.empty() || closed_ || !idling_)
            return 1;
        if (step_ < script_->idleSteps.size()) {
            const IdleStep& step = script_->idleSteps[step_++];
            if (step.kind == IdleStep::kQuiet)
                return 0;
            if (step.kind == IdleStep::kClose)
                closed_ = true;
            outgoing_ += step.bytes;
            return 1;
        }
        if (!script_->blockWhenIdle)
            return -1;
        if (script_->onBlock && !blocked_) {
            blocked_ = true;
            guard.unlock();
            script_->onBlock();
            guard.lock();
        }
        wake_.wait(guard, [this] { return cancelled_; });
        return -1;
    }
    void Cancel() override {
        std::lock_guard<std::mutex> guard(lock_);
        cancelled_ = true;
        wake_.notify_all();
    }
    void Close() override {}

    void StartTls() { tls_ = true; }

  private:
    void Process() {
        for (;;) {
            if (literalLeft_ > 0) {
                if (input_.size() < literalLeft_)
                    return;
                command_ += input_.substr(0, literalLeft_);
                input_.erase(0, literalLeft_);
                literalLeft_ = 0;
                continue;
            }
            std::size_t end = input_.find("\r\n");
            if (end == std::string::npos)
                return;
            std::string line = input_.substr(0, end);
            input_.erase(0, end + 2);
            if (!authTag_.empty()) {
                std::string tag = authTag_;
                authTag_.clear();
                script_->commands.push_back(line);
                CheckPlain(tag, DecodeBase64Lenient(line));
                continue;
            }
            if (idling_) {
                script_->commands.push_back(line);
                if (line == "DONE" && script_->answerDone) {
                    idling_ = false;
                    outgoing_ += idleTag_ + " OK Idle completed\r\n";
                }
                continue;
            }
            std::size_t open = line.rfind('{');
            if (!line.empty() && line.back() == '}' && open != std::string::npos) {
                command_ += line;
                literalLeft_ = std::stoul(line.substr(open + 1));
                outgoing_ += "+ go ahead\r\n";
                continue;
            }
            command_ += line;
            Dispatch(command_);
            command_.clear();
        }
    }

    void Dispatch(const std::string& command) {
        script_->commands.push_back(command);
        std::size_t blank = command.find(' ');
        std::string tag = command.substr(0, blank);
        std::string rest = blank == std::string::npos ? "" : command.substr(blank + 1);
        if (script_->answer) {
            if (std::optional<std::string> bytes = script_->answer(rest)) {
                std::string text = *bytes;
                for (std::size_t at; (at = text.find("{tag}")) != std::string::npos;)
                    text.replace(at, 5, tag);
                outgoing_ += text;
                return;
            }
        }
        std::vector<std::string> args = Arguments(rest, 0);
        std::string verb = args.empty() ? "" : Upper(args[0]);
        if (verb == "UID" && args.size() > 1)
            verb += " " + Upper(args[1]);
        if (verb == "CAPABILITY") {
            outgoing_ += "* CAPABILITY " +
                         (tls_ ? script_->tlsCapabilities : script_->capabilities) + "\r\n";
            Ok(tag);
        } else if (verb == "STARTTLS") {
            Ok(tag);
            outgoing_ += script_->afterStartTls;
        } else if (verb == "LOGIN" && args.size() == 3) {
            Login(tag, args[1], args[2]);
        } else if (verb == "AUTHENTICATE" && args.size() >= 2 && Upper(args[1]) == "PLAIN") {
            if (args.size() == 3) {
                CheckPlain(tag, DecodeBase64Lenient(args[2]));
            } else {
                authTag_ = tag;
                outgoing_ += "+ \r\n";
            }
        } else if ((verb == "EXAMINE" || verb == "SELECT") && args.size() == 2) {
            Examine(tag, args[1]);
        } else if (verb == "UID SEARCH") {
            Search(tag, args);
        } else if (verb == "UID FETCH" && args.size() >= 3) {
            Fetch(tag, UidsOf(args[2], LastUid()), rest);
        } else if (verb == "FETCH" && args.size() >= 2 && args[1] == "*") {
            if (!script_->messages.empty())
                outgoing_ += "* " + std::to_string(script_->messages.size()) + " FETCH (UID " +
                             std::to_string(LastUid()) + ")\r\n";
            Ok(tag);
        } else if (verb == "IDLE") {
            idling_ = true;
            idleTag_ = tag;
            outgoing_ += "+ idling\r\n";
            if (script_->onIdle)
                script_->onIdle();
        } else if (verb == "LOGOUT") {
            outgoing_ += "* BYE logging out\r\n";
            Ok(tag);
            closed_ = true;
        } else if (verb == "NOOP") {
            Ok(tag);
        } else {
            outgoing_ += tag + " BAD unknown command\r\n";
        }
    }

    void Ok(const std::string& tag) { outgoing_ += tag + " OK done\r\n"; }

    void Login(const std::string& tag, const std::string& user, const std::string& password) {
        if (user == script_->user && password == script_->password)
            Ok(tag);
        else
            outgoing_ += tag + " NO [AUTHENTICATIONFAILED] denied\r\n";
    }

    void CheckPlain(const std::string& tag, const std::string& plain) {
        std::size_t first = plain.find('\0');
        std::size_t second = plain.find('\0', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            outgoing_ += tag + " BAD malformed\r\n";
            return;
        }
        Login(tag, plain.substr(first + 1, second - first - 1), plain.substr(second + 1));
    }

    std::uint32_t LastUid() const {
        return script_->messages.empty() ? 0 : script_->messages.back().uid;
    }

    void Examine(const std::string& tag, const std::string& name) {
        bool known = std::any_of(
            script_->folders.begin(), script_->folders.end(), [&](const std::string& f) {
                return f == name || (Upper(f) == "INBOX" && Upper(name) == "INBOX");
            });
        if (!known) {
            outgoing_ += tag + " NO [NONEXISTENT] Mailbox doesn't exist\r\n";
            return;
        }
        std::uint32_t next = std::max(script_->uidNext, LastUid() + 1);
        outgoing_ += "* FLAGS (\\Seen \\Answered)\r\n* " +
                     std::to_string(script_->messages.size()) + " EXISTS\r\n* 0 RECENT\r\n" +
                     "* OK [UIDVALIDITY " + std::to_string(script_->uidValidity) + "] ok\r\n";
        if (script_->announceUidNext)
            outgoing_ += "* OK [UIDNEXT " + std::to_string(next) + "] ok\r\n";
        outgoing_ += tag + " OK [READ-ONLY] examined\r\n";
    }

    void Search(const std::string& tag, const std::vector<std::string>& args) {
        std::uint32_t low = 1, high = 0xFFFFFFFFu;
        bool unseen = false;
        for (std::size_t i = 2; i < args.size(); ++i) {
            if (Upper(args[i]) == "UNSEEN") {
                unseen = true;
            } else if (Upper(args[i]) == "UID" && i + 1 < args.size()) {
                std::vector<std::uint32_t> range = UidsOf(args[++i], LastUid());
                low = range.empty() ? 1 : range.front();
                high = range.empty() ? 0 : range.back();
            }
        }
        std::string found = "* SEARCH";
        for (const ImapTestMessage& m : script_->messages) {
            if (m.uid >= low && m.uid <= high && !(unseen && m.seen))
                found += " " + std::to_string(m.uid);
        }
        outgoing_ += found + "\r\n";
        Ok(tag);
    }

    // The part asked for by "BODY.PEEK[SECTION]<0.N>", cut to N.
    static std::optional<std::string> Part(const std::string& items, const std::string& section,
                                           const std::string& whole) {
        std::string name = "BODY.PEEK[" + section + "]";
        std::size_t at = Upper(items).find(name);
        if (at == std::string::npos)
            return std::nullopt;
        std::size_t blank = whole.find("\r\n\r\n");
        std::string header = blank == std::string::npos ? whole : whole.substr(0, blank + 4);
        std::string text = blank == std::string::npos ? "" : whole.substr(blank + 4);
        std::string part = section == "HEADER" ? header : section == "TEXT" ? text : whole;
        std::size_t partial = at + name.size();
        if (partial < items.size() && items[partial] == '<') {
            std::size_t dot = items.find('.', partial);
            part = part.substr(0, std::stoul(items.substr(dot + 1)));
        }
        return part;
    }

    void Fetch(const std::string& tag, const std::vector<std::uint32_t>& uids,
               const std::string& items) {
        for (std::size_t i = 0; i < script_->messages.size(); ++i) {
            const ImapTestMessage& m = script_->messages[i];
            if (std::find(uids.begin(), uids.end(), m.uid) == uids.end())
                continue;
            std::string response = "* " + std::to_string(i + 1) + " FETCH (UID " +
                                   std::to_string(m.uid) + " RFC822.SIZE " +
                                   std::to_string(m.text.size());
            for (const char* section : {"HEADER", "TEXT", ""}) {
                if (std::optional<std::string> part = Part(items, section, m.text))
                    response += std::string(" BODY[") + section + "]<0> {" +
                                std::to_string(part->size()) + "}\r\n" + *part;
            }
            outgoing_ += response + ")\r\n";
        }
        Ok(tag);
    }

    std::shared_ptr<ImapServerScript> script_;
    bool connectFails_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::string outgoing_;
    std::size_t taken_ = 0;  // bytes of outgoing_ received already
    std::string input_;
    std::string command_;
    std::size_t literalLeft_ = 0;
    std::string authTag_;
    std::string idleTag_;
    std::size_t step_ = 0;
    bool idling_ = false;
    bool tls_ = false;
    bool closed_ = false;
    bool cancelled_ = false;
    bool blocked_ = false;
};

}  // namespace

std::shared_ptr<SocketChannel> ScriptedImapNetwork::CreateSocket() {
    return std::make_shared<ScriptedImapSocket>(script_, connectFails);
}

std::shared_ptr<SocketChannel> ScriptedImapNetwork::StartTls(std::shared_ptr<SocketChannel> socket,
                                                             const TlsRequest&,
                                                             TlsOutcome& outcome) {
    ++script_->tlsHandshakes;
    script_->commandsBeforeTls = script_->commands.size();
    outcome = script_->tlsOutcome;
    if (outcome.status != 0)
        return nullptr;
    static_cast<ScriptedImapSocket*>(socket.get())->StartTls();
    return socket;
}

std::string ImapMessageText(const std::string& id, const std::string& subject,
                            const std::string& body) {
    return "Message-ID: " + id + "\r\nSubject: " + subject +
           "\r\nFrom: someone@example.org\r\nDate: Tue, 3 Feb 2004 21:05:09 +0900\r\n\r\n" + body;
}

}  // namespace pell::test
