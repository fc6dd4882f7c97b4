#pragma once
// The 64-byte blocks and the length padding that MD5 and SHA-256 share: bytes
// are gathered into blocks, each full block goes to the digest's compression.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pell {

class HashBlocks {
  public:
    template <typename Compress>
    void Update(const void* data, std::size_t size, Compress&& compress) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        std::size_t used = static_cast<std::size_t>(length_ % 64);
        length_ += size;
        while (size > 0) {
            const std::size_t take = size < 64 - used ? size : 64 - used;
            std::memcpy(buffer_ + used, bytes, take);
            used += take;
            bytes += take;
            size -= take;
            if (used == 64) {
                compress(buffer_);
                used = 0;
            }
        }
    }

    // 0x80, zeros up to 56 bytes of the last block, and the bit length in
    // the byte order of the digest.
    template <typename Compress>
    void Pad(bool bigEndianLength, Compress&& compress) {
        const std::uint64_t bits = length_ * 8;
        const std::uint8_t pad = 0x80;
        Update(&pad, 1, compress);
        const std::uint8_t zero = 0;
        while (length_ % 64 != 56)
            Update(&zero, 1, compress);
        std::uint8_t tail[8];
        for (int i = 0; i < 8; ++i)
            tail[i] = static_cast<std::uint8_t>(bits >> (bigEndianLength ? 56 - 8 * i : 8 * i));
        Update(tail, 8, compress);
    }

  private:
    std::uint64_t length_ = 0;  // bytes hashed so far
    std::uint8_t buffer_[64] = {};
};

}  // namespace pell
