#include "mail/mail_session.h"

#include "mail/imap_session.h"

namespace pell {

void RunMailSession(Network& network, const PopSessionInput& in, PopSessionOutput& out,
                    const PopSessionHooks& hooks) {
    if (in.protocol == kProtocolImap)
        RunImapSession(network, in, out, hooks);
    else
        RunPopSession(network, in, out, hooks);
}

}  // namespace pell
