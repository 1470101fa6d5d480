#pragma once

#include <optional>

#include "engine/error.h"
#include "engine/join/join.h"
#include "engine/join/join_plan.h"
#include "engine/observer.h"

namespace morsela {

// A join that rebuilds first what it can of missing and damaged pieces from the recovery
// files beside them (recovery_beside.h): beside the others where their folder can be
// written, else for this join alone, into the folder the joined file goes into, leaving the
// pieces' folder as it is. Each piece rebuilt is a notice to the observer.

// Nothing when nothing was rebuilt: `planned` is carried out as it is. Else the join
// planned anew over the rebuilt pieces (PlannedJoin::anew). Refuses, before anything is
// written, when the recovery files show a piece missing or damaged that was not rebuilt:
// joined, it would make a wrong file. Throws Error.
std::optional<PlannedJoin> rebuiltFirst(const PlannedJoin& planned, Observer& observer);

// The same for a join whose planning failed with `failure` (a piece missing, or of a size
// that does not fit): the join planned once the pieces are rebuilt; `failure` itself when
// nothing was.
PlannedJoin rebuiltFirst(const Error& failure, const JoinRequest& request, Observer& observer);

// planJoin, then rebuiltFirst: the join that `join` carries out.
PlannedJoin planRebuilt(const JoinRequest& request, Observer& observer);

}  // namespace morsela
