#pragma once

#include <cstdint>
#include <string>

#include "engine/observer.h"
#include "engine/split_plan.h"
#include "engine/split_request.h"

namespace morsela {

// Looks at what a split of `request` would read, write, replace and remove, writing nothing
// (split_plan.h). Throws Error for every refusal.
PlannedSplit planSplit(const SplitRequest& request);

// Cuts the source into numbered pieces in the output directory and writes the rejoin script
// beside them (piece_names.h says how they are named), as the plan says.
//
// A split of another file whose pieces would be overwritten (the same name but for its last
// three characters) is replaced only where the plan allows it. Once the split is complete,
// the pieces of an earlier split that it did not replace and that the plan identified are
// removed, and other numbered files beside them reported.
//
// Throws Error for every failure, after removing the piece it was writing and what is left of
// an earlier split it was replacing (notices say what is left); the source is never written,
// and no script is written for a split that did not finish. A split whose request's stop token
// says stop ends after the current block (or portion of the recovery work) and fails as
// Stopped; recovery files half-written are removed, and its whole pieces stay.
SplitOutcome carryOut(const PlannedSplit& plan, Observer& observer);

// planSplit, then carryOut; the request's `replace` allows replacing another file's split.
SplitOutcome split(const SplitRequest& request, Observer& observer);

}  // namespace morsela
