#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

#include "engine/observer.h"
#include "engine/os/directory.h"
#include "engine/recovery/split_read_back.h"
#include "engine/split.h"

namespace morsela::recovery {

// A split's recovery files, NAME.par2 and its volumes, NAME being the source's name.

// Once the split's pieces are complete: writes the recovery files that `request` asks for,
// from what `readBack` read back of the pieces while they were written, or else from the
// complete pieces; tells `observer` of each, or in a notice why there are none, and of the
// bytes read as a phase of its own. The request's stop token ends it as Stopped, with no
// recovery file left. Throws Error.
void writeSplitRecovery(const Directory& out, const SplitRequest& request,
                        const std::string& sourceName, const struct stat& source,
                        SplitReadBack* readBack, SplitOutcome& outcome, Observer& observer);

}  // namespace morsela::recovery
