#pragma once

#include <cstddef>

// What every call in file_calls.cpp asks before it is made. The programs link the answers
// that change nothing (unwatched_calls.cpp); the tests link fault_hooks.cpp in their place,
// whose answers a test steers: a chosen call fails, or a test's action runs right before
// it, and writes take as long as on a slow medium. So the programs carry no way to make a
// call fail that it did not fail by itself.
namespace morsela::sys::seam {

// True when this call is to fail as if the system had failed it; errno is then set.
bool callFails();

// Waits as long as the medium takes to write `length` bytes.
void paceTransfer(std::size_t length);

}  // namespace morsela::sys::seam
