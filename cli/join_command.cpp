#include "cli/join_command.h"

#include "split/join/join.h"

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
    TerminalObserver terminal = terminalFor(out, err, false, quiet_);
    return runEngine(terminal, [&] {
        const JoinOutcome outcome = join({script_, output_, force_, !noVerify_}, terminal);
        const std::string pieces = countOf(outcome.pieces, "piece", "pieces");
        terminal.finished(outcome.target + ": joined " + pieces + " in " + terminal.elapsed() +
                          (outcome.verified ? "; all " + pieces + " matched their checksums" : ""));
        return kExitOk;
    });
}

}  // namespace morsela
