#pragma once

#include <sys/types.h>
#include <memory>

#include "engine/join/stand_ins.h"
#include "engine/os/directory.h"
#include "engine/recovery/assessment.h"
#include "engine/recovery/packet_reader.h"
#include "engine/recovery/rebuild.h"

namespace morsela::recovery {

// Rebuilds the missing and damaged files of `set`, whose folder `dir` cannot be written,
// into files without a name in `into` (the folder the join writes its file into), for one
// join to read in their place: `dir` is left as it is. Each is checked against its MD5 and
// given the permission bits `mode` less the umask. `meter` as for rebuild (rebuild.h).
// Throws Error.
std::shared_ptr<StandIns> rebuildForJoin(const Directory& dir, const Directory& into,
                                         const RecoverySet& set, const Assessment& assessment,
                                         mode_t mode, WorkMeter* meter);

}  // namespace morsela::recovery
