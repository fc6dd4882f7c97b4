#pragma once
// SHA-256 message digest (FIPS 180-4), for certificate fingerprints.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "mail/hash_blocks.h"

namespace pell {

class Sha256 {
  public:
    Sha256();
    void Update(const void* data, std::size_t size);
    void Update(std::string_view text) { Update(text.data(), text.size()); }
    std::array<std::uint8_t, 32> Finish();

  private:
    void Block(const std::uint8_t* block);

    std::uint32_t state_[8];
    HashBlocks blocks_;
};

}  // namespace pell
