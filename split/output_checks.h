#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "split/os/directory.h"

namespace morsela {

// What a split is about to write.
struct PlannedSplit {
    std::string sourcePath;  // names the source in refusals
    std::string sourceName;
    struct stat source;
    std::int64_t pieces = 0;
    std::int64_t pieceSize = 0;
    bool checksum = false;
};

// Checks made before a split writes anything, so that a refused split leaves no trace.
//
// Refuses when a piece name, the script name or the checksum file's name would be longer
// than the directory's file system allows; when pieces would be larger than its largest file
// (FAT's 4 GiB); when the source's own name is the script's or a piece's, as Windows compares
// them (the script would overwrite itself or a piece, and on a stick the source itself); when
// any output name already stands for the source (the same file, a hard link or a symbolic
// link to it); when anything but a regular file stands under an output name; and, for a
// checksum file, when SOURCE.sha256 is there and is not one of this source's splits (it is
// the user's, downloaded with the source, say).
//
// Gives the names in the directory that may be rejoin scripts of earlier splits.
std::vector<std::string> checkOutputs(const Directory& out, const PlannedSplit& planned);

// Numbered files named as pieces of this source with numbers above `pieces`: not part of a
// split of `pieces` pieces.
struct LeftoverPieces {
    std::int64_t count = 0;
    std::string first;
    std::string last;
};
LeftoverPieces leftoverPieces(const Directory& out, const std::string& sourceName,
                              std::int64_t pieces);

}  // namespace morsela
