#include "engine/recovery/file_hashes.h"

#include <algorithm>
#include <array>

namespace morsela::recovery {
namespace {

constexpr std::int64_t kFirst16k = 16 * 1024;
constexpr std::int64_t kBlock = 1 << 20;

// Zeros to pad the last slice with, a part at a time.
const std::array<char, 64 * 1024> kZeros{};

}  // namespace

FileHasher::FileHasher(std::int64_t length, std::int64_t sliceSize, Share share)
    : length_(length),
      sliceSize_(sliceSize),
      whole_((share & kWhole) != 0 && wholeIsApart(length, sliceSize)),
      slices_((share & kSlices) != 0) {}

void FileHasher::add(const char* data, std::size_t length) {
    if (whole_) {
        md5_.update(data, length);
    }
    if (!slices_) {
        added_ += static_cast<std::int64_t>(length);
        return;
    }
    if (added_ < kFirst16k) {
        first16k_.update(
            data, static_cast<std::size_t>(std::min<std::int64_t>(kFirst16k - added_, length)));
    }
    while (length > 0) {
        const auto part = static_cast<std::size_t>(
            std::min<std::int64_t>(sliceSize_ - inSlice_, static_cast<std::int64_t>(length)));
        slice_.update(data, part);
        crc_ = crc32Of(crc_, data, part);
        data += part;
        length -= part;
        added_ += static_cast<std::int64_t>(part);
        inSlice_ += static_cast<std::int64_t>(part);
        if (inSlice_ == sliceSize_) {
            endSlice();
        }
    }
}

void FileHasher::endSlice() {
    for (std::int64_t pad = sliceSize_ - inSlice_; pad > 0;) {
        const auto part = static_cast<std::size_t>(
            std::min<std::int64_t>(pad, static_cast<std::int64_t>(kZeros.size())));
        slice_.update(kZeros.data(), part);
        crc_ = crc32Of(crc_, kZeros.data(), part);
        pad -= static_cast<std::int64_t>(part);
    }
    checks_.push_back({slice_.finish(), crc_});
    crc_ = 0;
    inSlice_ = 0;
}

void FileHasher::finishInto(FileHashes& hashes) {
    if (slices_) {
        if (inSlice_ > 0) {
            endSlice();
        }
        hashes.md5First16k = first16k_.finish();
        hashes.slices = std::move(checks_);
        if (!wholeIsApart(length_, sliceSize_)) {
            hashes.md5 = hashes.slices.at(0).md5;
        }
    }
    if (whole_) {
        hashes.md5 = md5_.finish();
    }
}

Hash16 hashFirst16k(const FileHandle& file, std::int64_t length) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min(length, kFirst16k)));
    const std::int64_t got =
        readAt(file, buffer.data(), static_cast<std::int64_t>(buffer.size()), 0);
    return md5Of(buffer.data(), static_cast<std::size_t>(got));
}

FileHashes hashFile(const FileHandle& file, std::int64_t length, std::int64_t sliceSize,
                    WorkMeter* meter) {
    FileHasher hasher(length, sliceSize, FileHasher::kBoth);
    std::vector<char> buffer(static_cast<std::size_t>(std::min(kBlock, sliceSize)));
    for (std::int64_t at = 0; at < length;) {
        const std::int64_t wanted = std::min(static_cast<std::int64_t>(buffer.size()), length - at);
        const std::int64_t got = readAt(file, buffer.data(), wanted, at);
        if (got < wanted) {  // shorter than it was: the rest reads as zeros, and will not match
            std::fill(buffer.begin() + got, buffer.begin() + wanted, '\0');
        }
        hasher.add(buffer.data(), static_cast<std::size_t>(wanted));
        at += wanted;
        if (meter != nullptr) {
            meter->add(wanted);
        }
    }
    FileHashes hashes;
    hasher.finishInto(hashes);
    return hashes;
}

}  // namespace morsela::recovery
