#pragma once

#include <string>
#include <vector>

#include "cli/command.h"

namespace morsela {

// morsela join SCRIPT [--force] [--output PATH] [-q] [--no-verify]
class JoinCommand : public Command {
  public:
    JoinCommand(CLI::App& app, const CommandWords& words);
    std::string help() const override;
    int run(std::FILE* out, std::FILE* err) override;

    static const char* const kUsage;
    static const char* const kOptions;

  private:
    std::string output_;
    bool force_ = false;
    bool quiet_ = false;
    bool noVerify_ = false;
};

// The one SCRIPT of join and verify; false after a usage error worded on `err`.
bool oneScript(const std::vector<std::string>& scripts, const std::string& command, std::FILE* err);

}  // namespace morsela
