#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "split/observer.h"

namespace morsela {

struct VerifyOutcome {
    std::int64_t pieces = 0;
    std::vector<std::string> damaged;  // the paths of the damaged pieces, in piece order
};

// Checks the pieces that a rejoin script names against TARGET.sha256 beside it, writing
// nothing. A damaged piece is an outcome, not a failure; Error is thrown when there is no
// checksum file or the script is refused as join refuses it.
VerifyOutcome verify(const std::string& scriptPath, Observer& observer);

}  // namespace morsela
