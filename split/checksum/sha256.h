#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace morsela {

// SHA-256 of bytes given in any number of portions, through OpenSSL's libcrypto, which uses
// the processor's SHA instructions where it has them.
class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(Sha256&&) noexcept;
    Sha256& operator=(Sha256&&) noexcept;

    void update(const void* data, std::size_t length);
    // Adds `length` zero bytes: the holes of a sparse file read as zeros.
    void updateZeros(std::size_t length);
    // The digest as 64 lower-case hexadecimal digits; the hash cannot be updated after.
    std::string hex();

  private:
    struct Context;
    std::unique_ptr<Context> context_;
};

}  // namespace morsela
