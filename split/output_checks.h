#pragma once

#include <cstdint>
#include <string>

#include <sys/stat.h>

#include "split/os/directory.h"

namespace morsela {

// Pieces of an earlier split, with numbers above this split's, found in the output
// directory: they are not part of the new split.
struct LeftoverPieces {
    std::int64_t count = 0;
    std::string first;
    std::string last;
};

// Checks made before a split writes anything, so that a refused split leaves no trace.
//
// Refuses when a piece name or the script name would be longer than the directory's file
// system allows; when the source's own name is the script's or a piece's, compared without
// regard to letter case as Windows compares them (the script would overwrite itself or a
// piece, and on a stick's file system the source itself); when any output name already
// stands for the source (the same file, a hard link or a symbolic link to it); and when
// anything but a regular file stands under an output name.
// `sourcePath` names the source in refusals.
LeftoverPieces checkOutputs(const Directory& out, const std::string& sourcePath,
                            const std::string& sourceName, std::int64_t pieces,
                            const struct stat& source);

}  // namespace morsela
