#include "engine/recovery/md5.h"

#include <libdeflate.h>

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
    return libdeflate_crc32(crc, data, length);
}

}  // namespace morsela::recovery
