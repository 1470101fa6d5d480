#pragma once

#include <string>
#include <vector>

#include "cli/command.h"

namespace morsela {

// morsela verify SCRIPT: checks the pieces against the checksum file without joining them.
class VerifyCommand : public Command {
  public:
    VerifyCommand(CLI::App& app, const CommandWords& words);
    std::string help() const override;
    int run(std::FILE* out, std::FILE* err) override;

    static const char* const kUsage;
    static const char* const kOptions;

  private:
    bool quiet_ = false;
};

}  // namespace morsela
