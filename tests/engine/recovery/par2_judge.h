#pragma once

#include <string>

#include "tests/support/temp_dir.h"

namespace morsela::recovery {

// The par2 command, run as the judge of the files written: its exit status, its output kept
// in the directory's par2.log unless it succeeds.
bool par2Available();
int runPar2(const test::TempDir& dir, const std::string& verb, const std::string& index);

}  // namespace morsela::recovery
