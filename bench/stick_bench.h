#pragma once

#include <filesystem>
#include <string>

namespace bench {

// On the file systems of sticks, each in an image on a loop device: ext4 through the
// kernel, exFAT through exfat-fuse and FAT32 through fusefat. A split of `sizeMiB` into
// pieces of 10 MiB, on the medium when it returns, against `cp` of the whole file followed
// by `sync`, the same promise. Each medium is skipped, with the reason, where it cannot be
// mounted (it needs root and the tools of `make check-media`).
void benchSticks(const std::string& morsela, const std::filesystem::path& work, long sizeMiB,
                 int rounds);

}  // namespace bench
