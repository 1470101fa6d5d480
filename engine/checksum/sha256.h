#pragma once

#include <cstddef>
#include <string>

#include "engine/checksum/crypto_digest.h"

namespace morsela {

// SHA-256 of bytes given in any number of portions, through OpenSSL's libcrypto, which uses
// the processor's SHA instructions where it has them.
class Sha256 {
  public:
    void update(const void* data, std::size_t length);
    // Adds `length` zero bytes: the holes of a sparse file read as zeros.
    void updateZeros(std::size_t length);
    // The digest as 64 lower-case hexadecimal digits; the hash cannot be updated after.
    std::string hex();

  private:
    CryptoDigest digest_{CryptoDigest::Kind::Sha256};
};

}  // namespace morsela
