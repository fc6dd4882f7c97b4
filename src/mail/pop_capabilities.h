#pragma once
// What a POP3 server says it can do, from its answer to CAPA (RFC 2449).
#include <string_view>

namespace pell {

// A LOGIN-DELAY beyond this is taken as this: a server cannot stop an
// account's checks for days.
inline constexpr int kMaxLoginDelaySeconds = 3600;

struct PopCapabilities {
    bool listed = false;  // the server answered CAPA with a list
    bool uidl = false;
    bool top = false;
    bool pipelining = false;
    int loginDelaySeconds = 0;  // 0: none announced
};

// A reply that does not begin with "+OK" (a server without CAPA, or garbage)
// lists nothing.
PopCapabilities ParseCapabilities(std::string_view reply);

}  // namespace pell
