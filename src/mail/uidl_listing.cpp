#include "mail/uidl_listing.h"

#include <unordered_map>

#include "mail/line_channel.h"

namespace pell {
namespace {

bool IsUidlText(std::string_view id) {
    if (id.empty() || id.size() > kMaxUidlLength)
        return false;
    for (char c : id) {
        if (c < 0x21 || c > 0x7E)
            return false;
    }
    return true;
}

// A message number: decimal digits only, 1..limit.
int MessageNumber(std::string_view text, int limit) {
    if (text.empty() || text.size() > 10)
        return 0;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= limit ? static_cast<int>(value) : 0;
}

}  // namespace

std::optional<std::vector<std::string>> ParseUidlListing(std::string_view reply, int messageCount) {
    if (reply.substr(0, 3) != "+OK" || messageCount < 0)
        return std::nullopt;
    const std::vector<std::string_view> lines = MultiLineBody(reply);
    if (lines.size() != static_cast<std::size_t>(messageCount))
        return std::nullopt;
    std::vector<std::string> uidls(lines.size());
    for (std::string_view line : lines) {
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos)
            return std::nullopt;
        const int n = MessageNumber(line.substr(0, blank), messageCount);
        std::string_view id = line.substr(blank + 1);
        while (!id.empty() && id.back() == ' ')
            id.remove_suffix(1);
        if (n == 0 || !uidls[n - 1].empty() || !IsUidlText(id))
            return std::nullopt;
        uidls[n - 1] = std::string(id);
    }
    return uidls;
}

std::vector<int> NewMessageNumbers(const std::vector<std::string>& seen,
                                   const std::vector<std::string>& current) {
    std::unordered_map<std::string_view, int> left;
    for (const std::string& id : seen)
        ++left[id];
    std::vector<int> fresh;
    for (std::size_t i = 0; i < current.size(); ++i) {
        auto found = left.find(current[i]);
        if (found != left.end() && found->second > 0)
            --found->second;
        else
            fresh.push_back(static_cast<int>(i + 1));
    }
    return {fresh.rbegin(), fresh.rend()};
}

}  // namespace pell
