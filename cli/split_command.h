#pragma once

#include <string>
#include <vector>

#include "cli/command.h"
#include "split/split.h"

namespace morsela {

// morsela split SOURCE SIZE [OUTDIR] [-n N] [-v] [-q] [--checksum]
class SplitCommand : public Command {
  public:
    explicit SplitCommand(CLI::App& app);
    int run(std::FILE* out, std::FILE* err) override;

  private:
    bool readArguments(SplitRequest& request, std::FILE* err) const;

    std::vector<std::string> arguments_;  // SOURCE SIZE [OUTDIR], or SOURCE [OUTDIR] with -n
    std::int64_t pieces_ = 0;
    bool verbose_ = false;
    bool quiet_ = false;
    bool checksum_ = false;
    bool force_ = false;
    bool noSync_ = false;
};

}  // namespace morsela
