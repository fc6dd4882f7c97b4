// Server bytes of any kind, split anywhere, assembled into IMAP responses and
// read as a client reads them: nothing may crash, and no response may hold
// more than the limit.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "mail/imap_message.h"
#include "mail/imap_response.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // The first byte chooses the receive step, the second a small limit or
    // the real one.
    const std::size_t step = 1 + data[0] % 64;
    const std::size_t limit = data[1] & 1 ? pell::kMaxImapResponse : 64 + data[1];
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    pell::ImapResponseAssembler assembler(limit);
    for (std::size_t pos = 0; pos < bytes.size(); pos += step) {
        assembler.Feed(bytes.substr(pos, step));
        pell::ImapResponse response;
        while (assembler.Next(response)) {
            std::size_t total = response.text.size();
            for (const std::string& literal : response.literals)
                total += literal.size();
            if (total > limit)
                std::abort();
            pell::ImapHead head = pell::ParseImapHead(response.text);
            pell::ImapWords(head.rest);
            pell::CodeNumber(head.code, "UIDNEXT");
            pell::ImapFetch fetch;
            if (pell::ParseFetch(response, fetch) && fetch.header) {
                std::string reply =
                    pell::PopReplyFromImap(*fetch.header, fetch.text.value_or(""), data[0] % 12);
                if (reply.size() > 2 * total + 16)
                    std::abort();
            }
        }
    }
    return 0;
}
