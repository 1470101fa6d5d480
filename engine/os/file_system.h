#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morsela {

class Directory;
class FileHandle;

// The largest file the file system that holds `dir` can keep, in bytes: 4 GiB less one byte
// on FAT, which sticks often carry, and far more elsewhere. FAT through FUSE is known by its
// mount's type, since FUSE reports the same limit for every file system. Throws Error.
std::int64_t largestFileOn(const Directory& dir);

// Whether the file system that holds `dir` runs through FUSE. Its own program may keep what
// it was given in buffers of its own until each file is flushed: flushing the whole file
// system does not reach them.
bool isFuse(const Directory& dir);
bool isFuseFile(const FileHandle& file);

// Puts everything written to the file system that holds `dir` on its medium. Through FUSE a
// flush of the file system or of a file may stop at the program's own device, in the
// kernel's cache of it: there the device is flushed where the kernel knows it (fuseblk),
// else the whole machine is synced. Throws Error.
void flushMedium(const Directory& dir);

// Why `name` cannot be a file name in `dir`, or "" when it can: longer than the file system
// allows, counted as it counts, in UTF-16 units on FAT, exFAT and NTFS (also through FUSE),
// elsewhere in bytes.
std::string nameLengthRefusal(const Directory& dir, std::string_view name);

}  // namespace morsela
