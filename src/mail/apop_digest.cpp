#include "mail/apop_digest.h"

#include "mail/md5.h"

namespace pell {

std::string MakeApopDigest(std::string_view timestampAndPassword) {
    Md5 md5;
    md5.Update(timestampAndPassword);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(32);
    for (std::uint8_t b : md5.Finish()) {
        text.push_back(kHex[b >> 4]);
        text.push_back(kHex[b & 15]);
    }
    return text;
}

}  // namespace pell
