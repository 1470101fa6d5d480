#pragma once

#include <functional>

// Steering of the file calls, for tests only: this is linked into the test programs in
// place of the programs' answers (call_seam.h), and morsela and morsela-win hold none of it.
namespace morsela::sys {

// Makes the n-th call from now (counted from 1) fail with the given errno; 0 clears it.
// A failed close still releases its descriptor, as close does on Linux.
void injectFault(long callNumber, int error);

// Runs `action` once, right before the n-th call from now is made (counted from 1, as
// injectFault counts, and counting anew), so that a test can change a folder between two
// calls of a job; nothing when `callNumber` is 0. The action must not make file calls of
// its own through sys::.
void runBeforeCall(long callNumber, std::function<void()> action);

// How many calls have been made since the last injectFault or runBeforeCall.
long callsSinceInjection();

// Makes copies and writes take as long as on a medium of this many bytes a second, as a
// slow stick would; 0 ends it.
void simulateSlowMedium(double bytesPerSecond);

}  // namespace morsela::sys
