#pragma once

#include <cstddef>
#include <memory>

namespace morsela {

// A digest of bytes given in any number of portions, made by OpenSSL's libcrypto, which uses
// the processor's SHA instructions where it has them. libcrypto is loaded on the first use
// of a digest, not when the program starts: a split without checksums or recovery files pays
// neither its start-up time nor its memory.
class CryptoDigest {
  public:
    enum class Kind { Sha256, Md5 };
    static constexpr std::size_t kLongest = 64;  // bytes that finish() may write

    explicit CryptoDigest(Kind kind);
    ~CryptoDigest();
    CryptoDigest(CryptoDigest&&) noexcept;
    CryptoDigest& operator=(CryptoDigest&&) noexcept;

    void update(const void* data, std::size_t length);
    // Writes the digest into `digest` (kLongest bytes) and gives its length; the digest then
    // starts again empty.
    std::size_t finish(unsigned char* digest);

  private:
    struct Context;
    std::unique_ptr<Context> context_;
};

}  // namespace morsela
