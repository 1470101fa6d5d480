#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    // Also write recovery files (SOURCE.par2 and its volumes) with recovery blocks worth this
    // percentage of the source; 0 for none.
    int recoveryPercent = 0;
    // Report success only once every piece, the script and the checksum file are on the
    // medium, so that a stick pulled then holds them all.
    bool sync = true;
};

// What a finished split wrote.
struct SplitOutcome {
    std::int64_t sourceLength = 0;
    std::int64_t pieceSize = 0;
    std::int64_t pieces = 0;
    std::string scriptPath;
    std::string checksumPath;                     // empty when none was asked for
    std::vector<std::string> recoveryFiles = {};  // the index first; empty when none were written
    std::int64_t recoveryBlocks = 0;
};

// Cuts the source into numbered pieces in the output directory and writes the rejoin script
// beside them (piece_names.h says how they are named).
//
// Every refusal comes before the first change. A split of another file whose pieces would
// be overwritten (the same name but for its last three characters) is replaced only when the
// observer agrees. Once the split is complete, the pieces of an earlier split of the same
// file that it did not replace are removed, and other numbered files beside them reported.
//
// Throws Error for every failure, after removing the piece it was writing and what is left of
// an earlier split it was replacing (notices say what is left); the source is never written,
// and no script is written for a split that did not finish. A split that the observer asks
// to stop ends after the current block and fails as Stopped.
SplitOutcome split(const SplitRequest& request, Observer& observer);

}  // namespace morsela
