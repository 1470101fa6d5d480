#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace morsela {

// The morsela command: parses `args` (without the program name), runs the chosen verb and
// returns the exit status: 0 done, 1 failed, 2 a usage error.
int runMorsela(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace morsela
