#pragma once

#include <cstdint>
#include <string>

#include "engine/join/join_plan.h"
#include "engine/observer.h"

namespace morsela {

// What to join, and where the file goes. Paths are the system's bytes.
struct JoinRequest {
    // The rejoin script that names the pieces, or the first piece of a numbered series
    // (NAME.001), as join_pieces.h says.
    std::string input = "";
    // Where the target goes: a file path, or a directory to write the target's own name
    // into; empty for beside the script. The pieces may then stay on read-only media.
    std::string output = "";
    bool replace = false;  // replace an existing target
    // Check the pieces, and then the target, against TARGET.sha256 beside the script when
    // there is one.
    bool verify = true;
};

struct JoinOutcome {
    std::string target;  // the joined file's path
    std::int64_t pieces = 0;
    std::int64_t bytes = 0;
    bool verified = false;  // checked against a checksum file
    // That checksum file had lines for the pieces; without them, only the joined file as a
    // whole was checked (a checksum file of the original, made without pieces in mind).
    bool piecesListed = false;
};

// Looks at what a join of `request` would read and write, writing nothing (join_plan.h):
// the window shows this plan, asks about it, and carries out this plan. Throws Error where
// join would refuse.
PlannedJoin planJoin(const JoinRequest& request);

// Rebuilds the file that the plan names from its pieces (join_pieces.h says what is
// refused), replacing a file that stands under its name only where the plan allows it. The
// target is written under a temporary name, flushed to disk and renamed into place at the
// end, so a failed or stopped join leaves nothing half-written. Throws Error.
JoinOutcome carryOut(const PlannedJoin& plan, Observer& observer);

// Rebuilds the pieces that recovery files beside them show missing or damaged, where they
// can be (recovery_beside.h), and carries out the plan, looked at anew after a rebuild.
// Refuses, before anything is written, when such a piece was not rebuilt. Throws Error.
JoinOutcome carryOutRepaired(const PlannedJoin& plan, Observer& observer);

// planJoin, then carryOutRepaired (a piece missing at planning is rebuilt first, where it
// can be); `replace` in the request allows replacing the target.
JoinOutcome join(const JoinRequest& request, Observer& observer);

}  // namespace morsela
