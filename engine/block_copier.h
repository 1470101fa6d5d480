#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "engine/os/file_handle.h"
#include "engine/os/page_buffer.h"

namespace morsela {

// The largest block moved through the buffer in one step: one read and one write at explicit
// positions. 1 MiB keeps the number of system calls low without much memory.
inline constexpr std::int64_t kBufferBlock = 1048576;

// What one pread and one pwrite move through the buffer: small enough that the buffer stays
// in the processor's cache between the two copies, which halves their cost against 1 MiB.
inline constexpr std::int64_t kBufferChunk = 128 * 1024;

// The first block, before the medium's pace is known.
inline constexpr std::int64_t kBufferedBlock = 8 * kBufferBlock;

// The least a block copied inside the kernel holds: where the file system shares extents
// (reflink) a block costs one call whatever its length, so fewer, longer calls are faster;
// elsewhere they cost nothing more.
inline constexpr std::int64_t kKernelBlockMin = 64 * kBufferBlock;

// Moves blocks of one source into targets; the split and the join share it.
//
// A block is moved inside the kernel (copy_file_range) where the file systems allow it, else
// through one buffer with pread and pwrite. The parts of a block that lie in holes of a
// sparse source are not written at all, so the target keeps the holes and reads back the
// same zeros; where the target's medium cannot extend a file over a hole (FAT through FUSE),
// the holes are written as zeros. Targets are written in order, each block at their end.
class BlockCopier {
  public:
    explicit BlockCopier(const FileHandle& source);
    ~BlockCopier();

    // Copies `length` bytes from the source at `sourceOffset` to the
    // target at `targetOffset` (offsets from 0). Retries short and interrupted calls; a
    // source that ends early is a failure. Throws Error.
    void copy(std::int64_t sourceOffset, const FileHandle& target, std::int64_t targetOffset,
              std::int64_t length);

    // How long the next block of a source of `sourceLength` bytes should be: 64 MiB or a
    // hundredth of the source, whichever is more, while the kernel copies; kBufferBlock, one
    // buffer, once it cannot. Progress and stop requests come between blocks.
    std::int64_t blockLength(std::int64_t sourceLength) const;

    // Fails when the source is now shorter than `length`: it was cut while being read, and
    // what looked like holes at its end may have been missing bytes.
    void checkLength(std::int64_t length) const;

  private:
    // The copy of a block, region by region: data is copied, holes are skipped.
    void copyRegions(std::int64_t sourceOffset, const FileHandle& target, std::int64_t targetOffset,
                     std::int64_t length);
    // Extends the target over a hole of `length` bytes at its end, `at`; or writes zeros.
    void coverHole(const FileHandle& target, std::int64_t at, std::int64_t length);
    // Where the region around `offset` ends and whether it is a hole; never past the
    // source's current end.
    bool inHole(std::int64_t offset);
    std::int64_t copyInKernel(std::int64_t sourceOffset, const FileHandle& target,
                              std::int64_t targetOffset, std::int64_t length);
    void copyThroughBuffer(std::int64_t sourceOffset, const FileHandle& target,
                           std::int64_t targetOffset, std::int64_t length);
    // Reads `length` bytes of the source at `offset` into the buffer, all or a failure.
    void readFully(std::int64_t offset, std::int64_t length);

    const FileHandle& source_;
    double bytesPerSecond_ = 0;  // as the last block went; 0 before the first
    // The buffer, allocated on first use.
    char* buffer();
    PageBuffer buffer_;
    bool kernelCopy_ = true;
    bool writeHoles_ = false;  // the medium cannot extend a file: holes are written as zeros
    // The source's layout around the last position asked about: [regionStart, regionEnd)
    // is a hole when regionIsHole, else data.
    std::int64_t regionStart_ = 0;
    std::int64_t regionEnd_ = 0;
    bool regionIsHole_ = false;
    bool holesKnown_ = true;
};

}  // namespace morsela
