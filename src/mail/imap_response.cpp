#include "mail/imap_response.h"

#include <algorithm>

#include "startup/text_search.h"

namespace pell {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view FirstWord(std::string_view text, std::string_view& rest) {
    std::size_t end = text.find(' ');
    std::string_view word = text.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    return word;
}

ImapStatus StatusOfWord(std::string_view word) {
    if (IsWord(word, "OK"))
        return ImapStatus::kOk;
    if (IsWord(word, "NO"))
        return ImapStatus::kNo;
    if (IsWord(word, "BAD"))
        return ImapStatus::kBad;
    if (IsWord(word, "PREAUTH"))
        return ImapStatus::kPreauth;
    if (IsWord(word, "BYE"))
        return ImapStatus::kBye;
    return ImapStatus::kNone;
}

// The values of a response's parenthesised data, one at a time. A literal's
// "{n}" takes the next literal of the response.
class Tokens {
  public:
    enum Kind { kEnd, kOpen, kClose, kAtom, kString, kBad };

    Tokens(std::string_view text, std::vector<std::string>& literals)
        : text_(text), literals_(literals) {}

    Kind Next() {
        while (pos_ < text_.size() && text_[pos_] == ' ')
            ++pos_;
        if (pos_ >= text_.size())
            return kEnd;
        char c = text_[pos_];
        if (c == '(') {
            ++pos_;
            return kOpen;
        }
        if (c == ')') {
            ++pos_;
            return kClose;
        }
        if (c == '"')
            return Quoted();
        if (c == '{' || (c == '~' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '{'))
            return Literal();
        return Atom();
    }

    std::string_view atom() const { return atom_; }
    std::string& string() { return string_; }

  private:
    Kind Quoted() {
        string_.clear();
        for (++pos_; pos_ < text_.size(); ++pos_) {
            char c = text_[pos_];
            if (c == '"') {
                ++pos_;
                return kString;
            }
            if (c == '\\' && pos_ + 1 < text_.size())
                c = text_[++pos_];
            string_.push_back(c);
        }
        return kBad;
    }

    Kind Literal() {
        std::size_t close = text_.find('}', pos_);
        if (close == std::string_view::npos || next_ >= literals_.size())
            return kBad;
        pos_ = close + 1;
        string_ = std::move(literals_[next_++]);
        return kString;
    }

    Kind Atom() {
        std::size_t start = pos_;
        bool inSection = false;
        for (; pos_ < text_.size(); ++pos_) {
            char c = text_[pos_];
            if (inSection) {
                inSection = c != ']';
            } else if (c == '[') {
                inSection = true;
            } else if (c == ' ' || c == '(' || c == ')' || c == '"') {
                break;
            }
        }
        atom_ = text_.substr(start, pos_ - start);
        return atom_.empty() ? kBad : kAtom;
    }

    std::string_view text_;
    std::vector<std::string>& literals_;
    std::size_t pos_ = 0;
    std::size_t next_ = 0;
    std::string_view atom_;
    std::string string_;
};

// Passes over the rest of a list whose "(" was read.
bool SkipList(Tokens& tokens) {
    int depth = 1;
    while (depth > 0) {
        switch (tokens.Next()) {
            case Tokens::kOpen:
                ++depth;
                break;
            case Tokens::kClose:
                --depth;
                break;
            case Tokens::kEnd:
            case Tokens::kBad:
                return false;
            default:
                break;
        }
    }
    return true;
}

// The section of "BODY[HEADER]<0>" ("HEADER"), or nothing for other names.
std::optional<std::string_view> BodySection(std::string_view name) {
    if (name.size() < 6 || !IsWord(name.substr(0, 5), "BODY["))
        return std::nullopt;
    std::size_t close = name.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return name.substr(5, close - 5);
}

}  // namespace

bool ImapResponseAssembler::Feed(std::string_view bytes) {
    while (!failed_ && !bytes.empty()) {
        if (inLiteral_) {
            FeedLiteral(bytes);
        } else if (!FeedLine(bytes)) {
            failed_ = true;
            current_ = ImapResponse();
            line_.clear();
            line_.shrink_to_fit();
        }
    }
    return !failed_;
}

bool ImapResponseAssembler::FeedLine(std::string_view& bytes) {
    std::size_t end = bytes.find('\n');
    std::string_view piece = bytes.substr(0, end);
    if (size_ + line_.size() + piece.size() > limit_)
        return false;
    line_.append(piece);
    if (end == std::string_view::npos) {
        bytes = std::string_view();
        return true;
    }
    bytes.remove_prefix(end + 1);
    if (!line_.empty() && line_.back() == '\r')
        line_.pop_back();
    std::optional<std::size_t> literal = TrailingLiteralSize(line_, limit_);
    current_.text += line_;
    size_ += line_.size();
    line_.clear();
    if (literal) {
        if (*literal > limit_ - size_)
            return false;
        current_.literals.emplace_back();
        current_.literals.back().reserve(std::min<std::size_t>(*literal, 64 * 1024));
        literalLeft_ = *literal;
        inLiteral_ = literalLeft_ > 0;
        return true;
    }
    ready_.push_back(std::move(current_));
    current_ = ImapResponse();
    size_ = 0;
    return true;
}

void ImapResponseAssembler::FeedLiteral(std::string_view& bytes) {
    std::size_t take = std::min(literalLeft_, bytes.size());
    current_.literals.back().append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    literalLeft_ -= take;
    size_ += take;
    inLiteral_ = literalLeft_ > 0;
}

bool ImapResponseAssembler::Next(ImapResponse& response) {
    if (ready_.empty())
        return false;
    response = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

bool ImapResponseAssembler::holdsBytes() const {
    return !ready_.empty() || !line_.empty() || inLiteral_ || size_ > 0;
}

std::optional<std::size_t> TrailingLiteralSize(std::string_view line, std::size_t limit) {
    if (line.empty() || line.back() != '}')
        return std::nullopt;
    std::size_t open = line.rfind('{');
    if (open == std::string_view::npos)
        return std::nullopt;
    std::string_view digits = line.substr(open + 1, line.size() - open - 2);
    if (!digits.empty() && digits.back() == '+')
        digits.remove_suffix(1);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsDigit))
        return std::nullopt;
    std::size_t value = 0;
    for (char c : digits) {
        value = value * 10 + static_cast<std::size_t>(c - '0');
        if (value > limit)
            return limit + 1;
    }
    return value;
}

bool IsWord(std::string_view word, std::string_view upper) {
    return EqualsNoCase(word, upper);
}

std::optional<std::uint32_t> ParseImapNumber(std::string_view text) {
    if (text.empty() || text.size() > 10 || !std::all_of(text.begin(), text.end(), IsDigit))
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text)
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > 0xFFFFFFFFu)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::vector<std::string_view> ImapWords(std::string_view text) {
    std::vector<std::string_view> words;
    while (!text.empty()) {
        std::string_view rest;
        std::string_view word = FirstWord(text, rest);
        if (!word.empty())
            words.push_back(word);
        else if (rest.empty())
            break;
        text = rest;
    }
    return words;
}

std::optional<std::uint32_t> CodeNumber(std::string_view code, std::string_view name) {
    std::string_view rest;
    if (!IsWord(FirstWord(code, rest), name))
        return std::nullopt;
    std::string_view tail;
    return ParseImapNumber(FirstWord(rest, tail));
}

ImapHead ParseImapHead(std::string_view text) {
    ImapHead head;
    std::string_view rest;
    if (!text.empty() && text.front() == '+') {
        head.kind = ImapKind::kContinuation;
        text.remove_prefix(1);
        while (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
        head.rest = text;
        return head;
    }
    std::string_view first = FirstWord(text, rest);
    if (first == "*") {
        head.kind = ImapKind::kUntagged;
    } else {
        head.kind = ImapKind::kTagged;
        head.tag = first;
    }
    std::string_view word = FirstWord(rest, rest);
    head.status = StatusOfWord(word);
    if (head.status != ImapStatus::kNone) {
        if (!rest.empty() && rest.front() == '[') {
            std::size_t close = rest.find(']');
            if (close != std::string_view::npos) {
                head.code = rest.substr(1, close - 1);
                rest.remove_prefix(close + 1);
                while (!rest.empty() && rest.front() == ' ')
                    rest.remove_prefix(1);
            }
        }
        head.rest = rest;
        return head;
    }
    head.number = ParseImapNumber(word);
    if (head.number)
        word = FirstWord(rest, rest);
    head.keyword = word;
    head.rest = rest;
    return head;
}

bool ParseFetch(ImapResponse& response, ImapFetch& fetch) {
    ImapHead head = ParseImapHead(response.text);
    if (head.kind != ImapKind::kUntagged || !head.number || !IsWord(head.keyword, "FETCH"))
        return false;
    fetch = ImapFetch();
    fetch.sequence = *head.number;
    Tokens tokens(head.rest, response.literals);
    if (tokens.Next() != Tokens::kOpen)
        return false;
    for (;;) {
        Tokens::Kind name = tokens.Next();
        if (name == Tokens::kClose)
            return true;
        if (name != Tokens::kAtom)
            return false;
        std::string_view item = tokens.atom();
        Tokens::Kind value = tokens.Next();
        if (value == Tokens::kOpen) {
            if (!SkipList(tokens))
                return false;
            continue;
        }
        if (value != Tokens::kAtom && value != Tokens::kString)
            return false;
        const bool nil = value == Tokens::kAtom && IsWord(tokens.atom(), "NIL");
        if (IsWord(item, "UID")) {
            fetch.uid = value == Tokens::kAtom ? ParseImapNumber(tokens.atom()) : std::nullopt;
        } else if (IsWord(item, "RFC822.SIZE")) {
            fetch.size = value == Tokens::kAtom ? ParseImapNumber(tokens.atom()) : std::nullopt;
        } else if (std::optional<std::string_view> section = BodySection(item)) {
            std::optional<std::string>* target = nullptr;
            if (IsWord(*section, "HEADER"))
                target = &fetch.header;
            else if (IsWord(*section, "TEXT"))
                target = &fetch.text;
            else if (section->empty())
                target = &fetch.whole;
            if (target) {
                if (value == Tokens::kString)
                    *target = std::move(tokens.string());
                else if (nil)
                    *target = std::string();
                else
                    return false;
            }
        }
    }
}

}  // namespace pell
