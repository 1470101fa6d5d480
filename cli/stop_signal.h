#pragma once

namespace morsela {

// Ctrl-C (SIGINT) and SIGTERM ask a running split or join to stop after its current block,
// so that it can remove what it left incomplete; a second one ends the program at once.
void installStopSignals();

// True once either signal came.
bool stopSignalled();

}  // namespace morsela
