#pragma once

#include "engine/observer.h"

namespace morsela {

// What a bar shows the progress of, once a job goes on with other work than copying, the same
// in the window and on the command line: "writing recovery files", "checking the pieces",
// "rebuilding pieces".
const char* phaseName(Phase phase);

}  // namespace morsela
