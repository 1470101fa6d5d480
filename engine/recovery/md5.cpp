#include "engine/recovery/md5.h"

#include <zlib.h>

#include <algorithm>

namespace morsela::recovery {

void Md5::update(const void* data, std::size_t length) {
    digest_.update(data, length);
}

Hash16 Md5::finish() {
    unsigned char digest[CryptoDigest::kLongest];
    digest_.finish(digest);
    Hash16 hash{};
    std::copy_n(digest, hash.size(), hash.begin());
    return hash;
}

Hash16 md5Of(const void* data, std::size_t length) {
    Md5 md5;
    md5.update(data, length);
    return md5.finish();
}

std::uint32_t crc32Of(std::uint32_t crc, const void* data, std::size_t length) {
    const auto* bytes = static_cast<const Bytef*>(data);
    while (length > 0) {
        const auto part = static_cast<uInt>(std::min<std::size_t>(length, 1u << 30));
        crc = static_cast<std::uint32_t>(::crc32(crc, bytes, part));
        bytes += part;
        length -= part;
    }
    return crc;
}

}  // namespace morsela::recovery
