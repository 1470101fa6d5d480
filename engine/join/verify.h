#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/join/verify_plan.h"
#include "engine/observer.h"
#include "engine/recovery/recovery_beside.h"
#include "engine/stop_token.h"

namespace morsela {

// What to verify: a rejoin script, or the first piece of a numbered series, as for a join.
struct VerifyRequest {
    std::string input = "";
    // Once it says stop, the verify ends after its current block and fails as Stopped.
    StopToken stop = {};
};

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

// Looks at what a verify of `request` would read (verify_plan.h), reading no piece yet.
// Throws Error when there is no checksum file or the pieces are refused as join refuses them.
PlannedVerify planVerify(const VerifyRequest& request);

// Checks the pieces against the recovery files beside them where the plan found some, saying
// what they can rebuild and which pieces they do not describe; else against the checksum
// file, writing nothing. A damaged piece is
// an outcome, not a failure. Throws Error.
VerifyOutcome carryOut(const PlannedVerify& plan, Observer& observer);

// planVerify, then carryOut.
VerifyOutcome verify(const VerifyRequest& request, Observer& observer);

}  // namespace morsela
