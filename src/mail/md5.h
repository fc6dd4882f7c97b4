#pragma once
// MD5 message digest (RFC 1321), for the APOP login.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "mail/hash_blocks.h"

namespace pell {

class Md5 {
  public:
    Md5();
    void Update(const void* data, std::size_t size);
    void Update(std::string_view text) { Update(text.data(), text.size()); }
    std::array<std::uint8_t, 16> Finish();

  private:
    void Block(const std::uint8_t* block);

    std::uint32_t state_[4];
    HashBlocks blocks_;
};

}  // namespace pell
