#pragma once

#include <cstdint>
#include <vector>

#include "engine/os/file_handle.h"
#include "engine/recovery/packets.h"
#include "engine/recovery/work_meter.h"

namespace morsela::recovery {

// What the recovery files say of a file's bytes: its MD5, that of its first 16 KiB, and the
// MD5 and CRC-32 of each slice, the last padded with zeros.
struct FileHashes {
    Hash16 md5{};
    Hash16 md5First16k{};
    std::vector<SliceCheck> slices;
};

// The hashes of a file's bytes, given in order in portions of any length. Either part may be
// asked for alone, so that two threads can share one file's work: the MD5 of the whole, and
// the checks of its slices with the MD5 of its first 16 KiB. A file of exactly one slice has
// the slice's MD5 as its own, so for it the slices' part gives both.
class FileHasher {
  public:
    enum Share { kWhole = 1, kSlices = 2, kBoth = 3 };

    FileHasher(std::int64_t length, std::int64_t sliceSize, Share share);
    // Whether the whole file's MD5 takes work of its own besides the slices'.
    static bool wholeIsApart(std::int64_t length, std::int64_t sliceSize) {
        return length != sliceSize;
    }

    void add(const char* data, std::size_t length);
    // Once every byte is added: puts the parts asked for into `hashes`.
    void finishInto(FileHashes& hashes);

  private:
    void endSlice();

    std::int64_t length_;
    std::int64_t sliceSize_;
    bool whole_;
    bool slices_;
    std::int64_t added_ = 0;
    std::int64_t inSlice_ = 0;
    Md5 md5_;
    Md5 first16k_;
    Md5 slice_;
    std::uint32_t crc_ = 0;
    std::vector<SliceCheck> checks_;
};

// Reads `length` bytes of `file` once, from the start, in blocks of bounded size, each
// counted by `meter` when there is one (which ends the reading when it says stop).
FileHashes hashFile(const FileHandle& file, std::int64_t length, std::int64_t sliceSize,
                    WorkMeter* meter = nullptr);

// The MD5 of the first 16 KiB alone, which with the length and name gives the file's id.
Hash16 hashFirst16k(const FileHandle& file, std::int64_t length);

}  // namespace morsela::recovery
