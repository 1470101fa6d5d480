#pragma once

#include <string>
#include <vector>

namespace morsela::test {

// What one run of the morsela command gave.
struct MorselaRun {
    int status;
    std::string out;
    std::string err;
};

// Runs the morsela command in this process with `args` (without the program name),
// capturing its standard output and standard error.
MorselaRun runCommand(const std::vector<std::string>& args);

}  // namespace morsela::test
