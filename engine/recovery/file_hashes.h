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

// Reads `length` bytes of `file` once, from the start, in blocks of bounded size, each
// counted by `meter` when there is one (which ends the reading when it says stop).
FileHashes hashFile(const FileHandle& file, std::int64_t length, std::int64_t sliceSize,
                    WorkMeter* meter = nullptr);

// The MD5 of the first 16 KiB alone, which with the length and name gives the file's id.
Hash16 hashFirst16k(const FileHandle& file, std::int64_t length);

}  // namespace morsela::recovery
