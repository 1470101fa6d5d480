#include "cli/join_command.h"

#include <unistd.h>

#include "cli/stop_signal.h"
#include "cli/terminal_surface.h"
#include "split/join_file.h"
#include "split/split_error.h"

namespace morsela {

JoinCommand::JoinCommand(CLI::App& app) {
    subcommand_ =
        app.add_subcommand("join", "Rebuild a split file from the pieces its rejoin script names");
    subcommand_->add_option("SCRIPT", script_, "the rejoin script written by split")->required();
    subcommand_->add_flag("-f,--force", force_, "replace the target if it exists");
    subcommand_->add_option("-o,--output", output_,
                            "write the target to this file, or into this directory "
                            "(default: beside the script)");
    subcommand_->add_flag("-q,--quiet", quiet_, "print nothing when the join succeeds");
    subcommand_->add_flag("--no-verify", noVerify_,
                          "do not check the pieces against TARGET.sha256 beside the script");
    subcommand_->footer(
        "Examples:\n"
        "  morsela join /media/stick/movie.bat                 movie.mp4 beside the pieces\n"
        "  morsela join /media/dvd/backup.bat -o ~/restore     pieces on read-only media");
}

int JoinCommand::run(std::FILE* out, std::FILE* err) {
    TerminalSurface surface(out, err, {::isatty(::fileno(err)) == 1, false, quiet_});
    try {
        const std::string target =
            joinFromScript(script_, JoinOptions{force_, output_, &surface, !noVerify_});
        surface.cls();
        if (!quiet_) {
            std::fprintf(out, "%s\n", target.c_str());
        }
        return kExitOk;
    } catch (const SplitStopped&) {
        surface.notice(script_ + ": stopped; the target was not written");
        return kExitStopped;
    } catch (const SplitError& error) {
        surface.failed(error);
    } catch (const std::exception& error) {
        surface.failed(SplitError(kSomeError, error.what()));
    }
    return kExitFailed;
}

}  // namespace morsela
