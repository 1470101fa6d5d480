#include "cli/split_command.h"

#include <unistd.h>

#include "cli/stop_signal.h"
#include "cli/terminal_surface.h"
#include "split/piece_names.h"
#include "split/size_text.h"
#include "split/split_file.h"

namespace morsela {

SplitCommand::SplitCommand(CLI::App& app) {
    subcommand_ =
        app.add_subcommand("split", "Cut SOURCE into pieces of SIZE and write a rejoin script");
    subcommand_
        ->add_option("SOURCE SIZE [OUTDIR]", arguments_,
                     "the file to cut; the piece size; the directory for the pieces and "
                     "the script (default: the current one)")
        ->expected(1, 3)
        ->required();
    subcommand_
        ->add_option("-n,--pieces", pieces_,
                     "cut into at most N pieces of equal size instead (the last may be "
                     "smaller); SIZE is then left out")
        ->check(CLI::PositiveNumber);
    subcommand_->add_flag("-v,--verbose", verbose_, "list every file written");
    subcommand_->add_flag("-q,--quiet", quiet_, "print nothing when the split succeeds");
    subcommand_->add_flag("--checksum", checksum_,
                          "also write SOURCE.sha256 beside the script, which sha256sum -c and "
                          "morsela join check");
    subcommand_->footer(std::string("SIZE takes a unit: ") + kSizeUnits +
                        ".\nDecimals and exponents are allowed: 1.5K is 1536 bytes.\n\n"
                        "Examples:\n"
                        "  morsela split movie.mp4 700M /media/stick   pieces of 700 MiB\n"
                        "  morsela split backup.tar 4.7GB              pieces of 4.7 GB\n"
                        "  morsela split -n 3 photos.zip /media/disc   three pieces");
}

int SplitCommand::run(std::FILE* out, std::FILE* err) {
    const std::size_t wanted = pieces_ > 0 ? 1 : 2;  // SOURCE, and SIZE unless -n
    if (arguments_.size() < wanted || arguments_.size() > wanted + 1) {
        std::fprintf(err, pieces_ > 0 ? "morsela: with -n, give SOURCE [OUTDIR] and no SIZE\n"
                                      : "morsela: give SOURCE SIZE [OUTDIR]\n");
        return kExitUsage;
    }
    const std::string& source = arguments_[0];
    const std::string size = pieces_ > 0 ? "" : arguments_[1];
    if (pieces_ == 0 && pieceSizeWithUnit(size).status == PieceSize::Status::BadUnit) {
        std::fprintf(err, "morsela: '%s' is not a size: give a number with one of the units %s\n",
                     size.c_str(), kSizeUnits);
        return kExitUsage;
    }

    SplitState state;
    state.outputDir = directoryText(arguments_.size() > wanted ? arguments_.back() : "");
    TerminalSurface surface(out, err, {::isatty(::fileno(err)) == 1, verbose_, quiet_});
    SplitOptions options;
    options.readSize = pieceSizeWithUnit;
    options.pieces = pieces_;
    options.checksum = checksum_;
    switch (SplitFile(state, source, size, surface, options)) {
        case SplitResult::Done:
            return kExitOk;
        case SplitResult::Stopped:
            return kExitStopped;
        case SplitResult::Failed:
            break;
    }
    return kExitFailed;
}

}  // namespace morsela
