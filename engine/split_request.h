#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/stop_token.h"

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
    // Replace the split of another file whose pieces have the names this split gives its
    // own (--force); else a front end asks about the plan (PlannedSplit::otherSplits).
    bool replace = false;
    // Once it says stop, the split ends after its current block and fails as Stopped.
    StopToken stop = {};
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

}  // namespace morsela
