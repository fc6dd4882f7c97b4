#include "mail/tcp_table.h"

#include <cstddef>
#include <optional>

namespace pell {
namespace {

std::optional<std::uint32_t> ParseHex(std::string_view text) {
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// The next blank-separated field of line from pos.
std::string_view NextField(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    std::size_t start = pos;
    while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t')
        ++pos;
    return line.substr(start, pos - start);
}

}  // namespace

bool HasOpenConnection(const std::vector<TcpRow>& rows, std::uint32_t address, std::uint16_t port) {
    for (const TcpRow& row : rows) {
        if (row.remoteAddress == address && row.remotePort == port && row.state < kTcpLastAck)
            return true;
    }
    return false;
}

int TcpStateFromLinux(int linuxState) {
    switch (linuxState) {
        case 1:
            return kTcpEstablished;
        case 2:
            return kTcpSynSent;
        case 3:
            return kTcpSynReceived;
        case 4:
            return kTcpFinWait1;
        case 5:
            return kTcpFinWait2;
        case 6:
            return kTcpTimeWait;
        case 7:
            return kTcpClosed;
        case 8:
            return kTcpCloseWait;
        case 9:
            return kTcpLastAck;
        case 10:
            return kTcpListen;
        case 11:
            return kTcpClosing;
        case 12:
            return kTcpSynReceived;  // a request socket waiting for its ACK
        default:
            return 0;
    }
}

std::vector<TcpRow> ParseProcNetTcp(std::string_view text) {
    std::vector<TcpRow> rows;
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos)
            lineEnd = text.size();
        std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;

        std::size_t pos = 0;
        std::string_view slot = NextField(line, pos);
        if (slot.empty() || slot.back() != ':')
            continue;          // the heading line
        NextField(line, pos);  // local address
        std::string_view remote = NextField(line, pos);
        std::string_view state = NextField(line, pos);
        std::size_t colon = remote.find(':');
        if (colon == std::string_view::npos)
            continue;
        auto address = ParseHex(remote.substr(0, colon));
        auto portValue = ParseHex(remote.substr(colon + 1));
        auto stateValue = ParseHex(state);
        if (!address || !portValue || !stateValue || *portValue > 0xFFFF)
            continue;
        TcpRow row;
        row.remoteAddress = *address;
        row.remotePort = static_cast<std::uint16_t>(*portValue);
        row.state = TcpStateFromLinux(static_cast<int>(*stateValue));
        rows.push_back(row);
    }
    return rows;
}

}  // namespace pell
