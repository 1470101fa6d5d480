#pragma once

#include <string>

#include "split/progress.h"
#include "split/split_state.h"

namespace morsela {

// Seconds in the way the report prints numbers: up to seven significant digits, a blank
// before a number that is not negative and one blank after it.
std::string reportNumber(float seconds);

// Clears the surface, prints "Time it took to split" and the seconds since the split began,
// and confirms with "Files Split".
void reportCompletion(const SplitState& state, ProgressSurface& pic1);

}  // namespace morsela
