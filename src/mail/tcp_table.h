#pragma once
// The connection-table test: is a TCP connection to a server address and port
// already open (as when another mail program checks the same mailbox)? Rows
// come from the platform (the IP helper table, or /proc/net/tcp) and are
// judged here.
#include <cstdint>
#include <string_view>
#include <vector>

namespace pell {

// Connection states numbered as in the MIB-II TCP table.
enum TcpState : int {
    kTcpClosed = 1,
    kTcpListen = 2,
    kTcpSynSent = 3,
    kTcpSynReceived = 4,
    kTcpEstablished = 5,
    kTcpFinWait1 = 6,
    kTcpFinWait2 = 7,
    kTcpCloseWait = 8,
    kTcpClosing = 9,
    kTcpLastAck = 10,
    kTcpTimeWait = 11,
    kTcpDeleteTcb = 12,
};

struct TcpRow {
    std::uint32_t remoteAddress = 0;  // network byte order
    std::uint16_t remotePort = 0;     // host order
    int state = 0;                    // TcpState
};

// True when a row has that remote address and port in a state below lastAck:
// connections that are closing down (lastAck, timeWait, deleteTCB) do not count.
bool HasOpenConnection(const std::vector<TcpRow>& rows, std::uint32_t address, std::uint16_t port);

// The rows of a Linux /proc/net/tcp text. Addresses there are the in-memory
// 32-bit value printed in hexadecimal, so they compare directly with an
// address in network order on the same machine. Malformed lines are skipped.
std::vector<TcpRow> ParseProcNetTcp(std::string_view text);

// The MIB-II state for a Linux socket state number (0 for unknown ones).
int TcpStateFromLinux(int linuxState);

}  // namespace pell
