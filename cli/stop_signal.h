#pragma once

#include "engine/stop_token.h"

namespace morsela {

// Ctrl-C (SIGINT), SIGTERM and a closed terminal (SIGHUP) ask a running split or join to stop
// after its current block, so that it can remove what it left incomplete; a second one ends
// the program at once. A reader of standard output that went away (SIGPIPE) kills nothing:
// the write fails with EPIPE, and the program handles that as a failure.
void installStopSignals();

// While it lives, a stop signal requests a stop through (a copy of) `source`, as one that came
// before it was made does at once. One at a time.
class StopOnSignals {
  public:
    explicit StopOnSignals(const StopSource& source);
    ~StopOnSignals();
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

  private:
    const StopSource source_;
};

// While a progress bar stands on the terminal `fd`, a second stop signal erases it before
// the program ends; -1 when there is none.
void setLineToEraseOnExit(int fd);

}  // namespace morsela
