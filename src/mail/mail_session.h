#pragma once
// The one session interface of a check: the account's protocol (the
// Protocol key) chooses the POP3 or the IMAP conversation; callers see the
// same input, output and hooks either way.
#include "mail/pop_session.h"

namespace pell {

inline constexpr int kProtocolPop3 = 0;
inline constexpr int kProtocolImap = 1;

void RunMailSession(Network& network, const PopSessionInput& in, PopSessionOutput& out,
                    const PopSessionHooks& hooks);

}  // namespace pell
