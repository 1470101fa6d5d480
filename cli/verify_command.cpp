#include "cli/verify_command.h"

#include "split/join_file.h"
#include "split/split_error.h"

namespace morsela {

VerifyCommand::VerifyCommand(CLI::App& app) {
    subcommand_ = app.add_subcommand(
        "verify", "Check the pieces a rejoin script names against TARGET.sha256 beside it");
    subcommand_->add_option("SCRIPT", script_, "the rejoin script written by split")->required();
    subcommand_->add_flag("-q,--quiet", quiet_, "print nothing when every piece is whole");
}

int VerifyCommand::run(std::FILE* out, std::FILE* err) {
    try {
        const std::vector<std::string> damaged = damagedPieces(script_);
        const std::string dir = script_.substr(0, script_.rfind('/') + 1);  // "" for none
        for (const std::string& piece : damaged) {
            std::fprintf(err, "morsela: %s%s: checksum does not match; the piece is damaged\n",
                         dir.c_str(), piece.c_str());
        }
        if (damaged.empty() && !quiet_) {
            std::fprintf(out, "%s: every piece is whole\n", script_.c_str());
        }
        return damaged.empty() ? kExitOk : kExitFailed;
    } catch (const SplitError& error) {
        std::fprintf(err, "morsela: %s\n", error.detail().c_str());
    }
    return kExitFailed;
}

}  // namespace morsela
