#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/checksum/crypto_digest.h"

namespace morsela::recovery {

using Hash16 = std::array<std::uint8_t, 16>;

// MD5 of bytes given in any number of portions, through OpenSSL's libcrypto, loaded on first
// use. The recovery files name every packet, file and slice by its MD5.
class Md5 {
  public:
    void update(const void* data, std::size_t length);
    // The digest; the hash starts again empty after it.
    Hash16 finish();

  private:
    CryptoDigest digest_{CryptoDigest::Kind::Md5};
};

Hash16 md5Of(const void* data, std::size_t length);

// CRC-32 as zlib computes it, continued from `crc` (0 to start), through libdeflate, which
// folds the bytes with carry-less multiplication where the processor has it: more than
// twice as fast as zlib's tables, and every slice's bytes pass through it.
std::uint32_t crc32Of(std::uint32_t crc, const void* data, std::size_t length);

}  // namespace morsela::recovery
