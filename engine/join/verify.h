#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/observer.h"
#include "engine/recovery/recovery_beside.h"

namespace morsela {

struct VerifyOutcome {
    std::int64_t pieces = 0;
    std::vector<std::string> damaged;  // the paths of the damaged pieces, in piece order
    // What recovery files beside the pieces say; when there are some, they checked the
    // pieces instead of a checksum file.
    recovery::RecoveryReport recovery = {};
    // The paths of pieces that the rejoin script names and the recovery files do not
    // describe, in piece order: they checked nothing of these.
    std::vector<std::string> unchecked = {};
};

// Checks the pieces against the recovery files beside them (recovery_beside.h) where there
// are some, saying what they can rebuild and which pieces they do not describe; else the pieces
// that a rejoin script names against TARGET.sha256 beside it, writing nothing. A damaged piece is
// an outcome, not a failure; Error is thrown when there is no checksum file or the script is
// refused as join refuses it.
VerifyOutcome verify(const std::string& scriptPath, Observer& observer);

}  // namespace morsela
