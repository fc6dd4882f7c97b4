#include "mail/pop_capabilities.h"

#include <algorithm>

#include "mail/line_channel.h"
#include "settings/settings_store.h"
#include "startup/text_search.h"

namespace pell {

PopCapabilities ParseCapabilities(std::string_view reply) {
    PopCapabilities capabilities;
    if (reply.substr(0, 3) != "+OK")
        return capabilities;
    capabilities.listed = true;
    for (std::string_view line : MultiLineBody(reply)) {
        const std::size_t blank = line.find_first_of(" \t");
        const std::string_view name = line.substr(0, blank);
        const std::string_view argument =
            blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        if (EqualsNoCase(name, "UIDL")) {
            capabilities.uidl = true;
        } else if (EqualsNoCase(name, "TOP")) {
            capabilities.top = true;
        } else if (EqualsNoCase(name, "PIPELINING")) {
            capabilities.pipelining = true;
        } else if (EqualsNoCase(name, "LOGIN-DELAY")) {
            // In the transaction state the argument is the delay alone.
            capabilities.loginDelaySeconds =
                std::clamp(ParseDecimal(argument), 0, kMaxLoginDelaySeconds);
        }
    }
    return capabilities;
}

}  // namespace pell
