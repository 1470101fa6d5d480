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

// What a run of the real morsela program gave, and the most memory it took.
struct ProgramRun {
    int status;  // the exit status, or -1 when it did not exit normally
    std::string err;
    long peakKiB;
};

// Runs the morsela program `program` with `args`, its standard error captured.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace morsela::test
