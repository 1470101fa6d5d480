#pragma once

#include <cstdint>
#include <string>

#include "split/observer.h"

namespace morsela {

// What to cut, how, and where to. Paths are the system's bytes.
struct SplitRequest {
    std::string source = "";     // the file to cut
    std::string outputDir = "";  // where the pieces go; empty for the current directory
    // Bytes per piece; or, when pieceCount is above 0, ignored: then the source is cut into
    // at most that many pieces of equal size (the last may be smaller), as few as that takes.
    std::int64_t pieceSize = 0;
    std::int64_t pieceCount = 0;
    bool checksum = false;  // also write SOURCE.sha256 beside the script
};

// What a finished split wrote.
struct SplitOutcome {
    std::int64_t sourceLength = 0;
    std::int64_t pieceSize = 0;
    std::int64_t pieces = 0;
    std::string scriptPath;
    std::string checksumPath;  // empty when none was asked for
};

// Cuts the source into numbered pieces in the output directory and writes the rejoin script
// beside them (piece_names.h says how they are named).
//
// Throws Error for every failure, after removing what it made incomplete; the source is
// never written, and no script is written for a split that did not finish. A split that the
// observer asks to stop ends after the current block and fails as Stopped.
SplitOutcome split(const SplitRequest& request, Observer& observer);

}  // namespace morsela
