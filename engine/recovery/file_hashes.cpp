#include "engine/recovery/file_hashes.h"

#include <algorithm>

namespace morsela::recovery {
namespace {

constexpr std::int64_t kFirstPart = 16 * 1024;
constexpr std::int64_t kBlock = 1 << 20;

}  // namespace

Hash16 hashFirst16k(const FileHandle& file, std::int64_t length) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min(length, kFirstPart)));
    const std::int64_t got =
        readAt(file, buffer.data(), static_cast<std::int64_t>(buffer.size()), 0);
    return md5Of(buffer.data(), static_cast<std::size_t>(got));
}

FileHashes hashFile(const FileHandle& file, std::int64_t length, std::int64_t sliceSize,
                    WorkMeter* meter) {
    FileHashes hashes;
    // A file of one whole slice has the slice's MD5: one hash of its bytes is enough.
    const bool oneSlice = length == sliceSize;
    Md5 whole;
    Md5 slice;
    std::uint32_t crc = 0;
    std::vector<char> buffer(static_cast<std::size_t>(std::min(kBlock, sliceSize)));
    std::int64_t at = 0;
    std::int64_t inSlice = 0;
    while (at < length) {
        const std::int64_t wanted =
            std::min({static_cast<std::int64_t>(buffer.size()), length - at, sliceSize - inSlice});
        const std::int64_t got = readAt(file, buffer.data(), wanted, at);
        if (got < wanted) {  // shorter than it was: the rest reads as zeros, and will not match
            std::fill(buffer.begin() + got, buffer.begin() + wanted, '\0');
        }
        if (!oneSlice) {
            whole.update(buffer.data(), static_cast<std::size_t>(wanted));
        }
        slice.update(buffer.data(), static_cast<std::size_t>(wanted));
        crc = crc32Of(crc, buffer.data(), static_cast<std::size_t>(wanted));
        at += wanted;
        inSlice += wanted;
        if (meter != nullptr) {
            meter->add(wanted);
        }
        if (inSlice == sliceSize || at == length) {
            std::fill(buffer.begin(), buffer.end(), '\0');
            for (std::int64_t pad = sliceSize - inSlice; pad > 0;) {
                const std::int64_t part = std::min(pad, static_cast<std::int64_t>(buffer.size()));
                slice.update(buffer.data(), static_cast<std::size_t>(part));
                crc = crc32Of(crc, buffer.data(), static_cast<std::size_t>(part));
                pad -= part;
            }
            hashes.slices.push_back({slice.finish(), crc});
            crc = 0;
            inSlice = 0;
        }
    }
    hashes.md5 = oneSlice ? hashes.slices.at(0).md5 : whole.finish();
    hashes.md5First16k = hashFirst16k(file, length);
    return hashes;
}

}  // namespace morsela::recovery
