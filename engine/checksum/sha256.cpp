#include "engine/checksum/sha256.h"

#include <algorithm>
#include <string>

namespace morsela {

void Sha256::update(const void* data, std::size_t length) {
    digest_.update(data, length);
}

void Sha256::updateZeros(std::size_t length) {
    static const char zeros[65536] = {};
    while (length > 0) {
        const std::size_t part = std::min(length, sizeof zeros);
        update(zeros, part);
        length -= part;
    }
}

std::string Sha256::hex() {
    unsigned char digest[CryptoDigest::kLongest];
    const std::size_t length = digest_.finish(digest);
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 0x0f];
    }
    return text;
}

}  // namespace morsela
