#include "cli/split_command.h"

#include <unistd.h>

#include "cli/terminal_surface.h"
#include "split/piece_names.h"
#include "split/split_file.h"

namespace morsela {

SplitCommand::SplitCommand(CLI::App& app) {
    subcommand_ = app.add_subcommand(
        "split", "Cut SOURCE into pieces of SIZE kilobytes and write a rejoin script");
    subcommand_->add_option("SOURCE", source_, "the file to cut")->required();
    subcommand_
        ->add_option("SIZE", size_,
                     "piece size in kilobytes (1024 bytes); decimals and exponents allowed")
        ->required();
    subcommand_->add_option("OUTDIR", outputDir_,
                            "directory for the pieces and the script (default: current)");
    subcommand_->add_flag("-v,--verbose", verbose_, "list every file written");
}

int SplitCommand::run(std::FILE* out, std::FILE* err) {
    SplitState state;
    state.outputDir = directoryText(outputDir_);
    TerminalSurface surface(out, err, ::isatty(::fileno(err)) == 1, verbose_);
    return SplitFile(state, source_, size_, surface) == SplitResult::Done ? kExitOk : kExitFailed;
}

}  // namespace morsela
