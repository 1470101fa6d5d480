#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

#include "engine/observer.h"
#include "engine/os/directory.h"
#include "engine/split.h"

namespace morsela::recovery {

// A split's recovery files, NAME.par2 and its volumes, NAME being the source's name.

// Once the split's pieces are complete: writes the recovery files that `request` asks for,
// telling `observer` of each, or in a notice why there are none. Throws Error.
void writeSplitRecovery(const Directory& out, const SplitRequest& request,
                        const std::string& sourceName, const struct stat& source,
                        SplitOutcome& outcome, Observer& observer);

}  // namespace morsela::recovery
