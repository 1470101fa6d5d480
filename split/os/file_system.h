#pragma once

#include <cstdint>

namespace morsela {

class Directory;

// The largest file the file system that holds `dir` can keep, in bytes: 4 GiB less one byte
// on FAT, which sticks often carry, and far more elsewhere. FAT through FUSE is known by its
// mount's type, since FUSE reports the same limit for every file system. Throws Error.
std::int64_t largestFileOn(const Directory& dir);

// Whether the file system that holds `dir` runs through FUSE. Its own program may keep what
// it was given in buffers of its own until each file is flushed: flushing the whole file
// system does not reach them.
bool isFuse(const Directory& dir);

}  // namespace morsela
