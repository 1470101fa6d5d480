#pragma once

#include <string>

#include "cli/command.h"

namespace morsela {

// morsela verify SCRIPT: checks the pieces against the checksum file without joining them.
class VerifyCommand : public Command {
  public:
    explicit VerifyCommand(CLI::App& app);
    int run(std::FILE* out, std::FILE* err) override;

  private:
    std::string script_;
    bool quiet_ = false;
};

}  // namespace morsela
