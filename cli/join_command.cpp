#include "cli/join_command.h"

#include "split/join_file.h"
#include "split/split_error.h"

namespace morsela {

JoinCommand::JoinCommand(CLI::App& app) {
    subcommand_ = app.add_subcommand(
        "join", "Rebuild a split file beside its rejoin script from the pieces it names");
    subcommand_->add_option("SCRIPT", script_, "the rejoin script written by split")->required();
    subcommand_->add_flag("-f,--force", force_, "replace the target if it exists");
}

int JoinCommand::run(std::FILE* out, std::FILE* err) {
    try {
        std::fprintf(out, "%s\n", joinFromScript(script_, force_).c_str());
        return kExitOk;
    } catch (const SplitError& error) {
        std::fprintf(err, "morsela: %s\n%s\n", error.headline().c_str(), error.detail().c_str());
    } catch (const std::exception& error) {
        std::fprintf(err, "morsela: %s\n", error.what());
    }
    return kExitFailed;
}

}  // namespace morsela
