#pragma once

#include <string>
#include <vector>

#include "cli/command.h"
#include "engine/split.h"

namespace morsela {

// morsela split SOURCE SIZE [OUTDIR] [-n N] [-v] [-q] [--checksum] [--recovery P] [--force]
// [--no-sync]
class SplitCommand : public Command {
  public:
    SplitCommand(CLI::App& app, const CommandWords& words);
    std::string help() const override;
    int run(std::FILE* out, std::FILE* err) override;

    static const char* const kUsage;
    static const char* const kOptions;

  private:
    bool readArguments(SplitRequest& request, std::FILE* err) const;
    bool readPieceCount(SplitRequest& request, std::FILE* err) const;
    bool readRecovery(SplitRequest& request, std::FILE* err) const;
    bool readSize(const std::string& text, SplitRequest& request, std::FILE* err) const;

    std::string pieces_;  // -n as typed
    CLI::Option* piecesOption_ = nullptr;
    bool verbose_ = false;
    bool quiet_ = false;
    bool checksum_ = false;
    bool force_ = false;
    bool noSync_ = false;
    std::string recovery_;  // --recovery as typed
    CLI::Option* recoveryOption_ = nullptr;
};

}  // namespace morsela
