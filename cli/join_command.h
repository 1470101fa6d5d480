#pragma once

#include <string>

#include "cli/command.h"

namespace morsela {

// morsela join SCRIPT [--force] [--output PATH] [-q] [--no-verify]
class JoinCommand : public Command {
  public:
    explicit JoinCommand(CLI::App& app);
    int run(std::FILE* out, std::FILE* err) override;

  private:
    std::string script_;
    std::string output_;
    bool force_ = false;
    bool quiet_ = false;
    bool noVerify_ = false;
};

}  // namespace morsela
