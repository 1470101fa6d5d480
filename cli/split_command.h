#pragma once

#include <string>

#include "cli/command.h"

namespace morsela {

// morsela split SOURCE SIZE [OUTDIR] [-v]
class SplitCommand : public Command {
  public:
    explicit SplitCommand(CLI::App& app);
    int run(std::FILE* out, std::FILE* err) override;

  private:
    std::string source_;
    std::string size_;
    std::string outputDir_;
    bool verbose_ = false;
};

}  // namespace morsela
