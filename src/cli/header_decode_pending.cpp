// Temporary: shows the text as it is until the header decoding is available;
// replaced by a call of the real decoder.
#include "cli/header_decode.h"

namespace pell {

std::string DecodeHeaderForCli(std::string_view text) {
    return std::string(text);
}

}  // namespace pell
