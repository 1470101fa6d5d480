#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "engine/os/directory.h"

namespace morsela {

// What a split is about to write.
struct OutputsToCheck {
    std::string sourcePath;  // names the source in refusals
    std::string sourceName;
    struct stat source;
    std::int64_t pieces = 0;
    std::int64_t pieceSize = 0;
    bool checksum = false;
    int recoveryPercent = 0;  // recovery files too, where above 0
};

// Checks made before a split writes anything, so that a refused split leaves no trace.
//
// Refuses when a piece name, the script name, the checksum file's or a recovery file's name
// would be longer
// than the directory's file system allows; when pieces would be larger than its largest file
// (FAT's 4 GiB); when the source's own name is the script's or a piece's, as Windows compares
// them (the script would overwrite itself or a piece, and on a stick the source itself); when
// any output name already stands for the source (the same file, a hard link or a symbolic
// link to it); when anything but a regular file stands under an output name; and, for a
// checksum file, when SOURCE.sha256 is there and is not one of this source's splits (it is
// the user's, downloaded with the source, say).
//
// Lists the directory once, and gives what the listing found besides: the names that may be
// rejoin scripts of earlier splits, and the numbered files named as pieces of this source
// (in any letter case) with numbers above the split's last, and the names of recovery files
// that a join of the pieces would read.
struct OutputListing {
    std::vector<std::string> scripts;
    std::vector<std::pair<std::int64_t, std::string>> beyond;  // the number and the name
    // Names that may be recovery files of earlier splits (stale_recovery.h), at most 256.
    std::vector<std::string> recoveryFiles;
};
OutputListing checkOutputs(const Directory& out, const OutputsToCheck& planned);

// Of the numbered files that the listing found beyond the split's last piece, those still
// there (as the medium compares names): not part of this split.
struct LeftoverPieces {
    std::int64_t count = 0;
    std::string first;
    std::string last;
};
LeftoverPieces leftoverPieces(const Directory& out, const std::string& sourceName,
                              const OutputListing& listing);

}  // namespace morsela
