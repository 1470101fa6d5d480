#include "cli/split_command.h"

#include "cli/size_argument.h"
#include "split/split.h"

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
    subcommand_->add_flag("-f,--force", force_,
                          "replace the pieces and script of another file split into OUTDIR "
                          "whose pieces have the names this split gives its own");
    subcommand_->add_flag("--no-sync", noSync_,
                          "do not wait until the pieces are on the medium before finishing");
    subcommand_->footer(std::string("SIZE takes a unit: ") + kSizeUnits +
                        ".\nDecimals and exponents are allowed: 1.5K is 1536 bytes.\n\n"
                        "Examples:\n"
                        "  morsela split movie.mp4 700M /media/stick   pieces of 700 MiB\n"
                        "  morsela split backup.tar 4.7GB              pieces of 4.7 GB\n"
                        "  morsela split -n 3 photos.zip /media/disc   three pieces");
}

// Fills the request from the arguments; a usage error is worded on `err` and gives false.
bool SplitCommand::readArguments(SplitRequest& request, std::FILE* err) const {
    const std::size_t wanted = pieces_ > 0 ? 1 : 2;  // SOURCE, and SIZE unless -n
    if (arguments_.size() < wanted || arguments_.size() > wanted + 1) {
        std::fprintf(err, pieces_ > 0 ? "morsela: with -n, give SOURCE [OUTDIR] and no SIZE\n"
                                      : "morsela: give SOURCE SIZE [OUTDIR]\n");
        return false;
    }
    request.source = arguments_[0];
    request.outputDir = arguments_.size() > wanted ? arguments_.back() : "";
    request.pieceCount = pieces_;
    request.checksum = checksum_;
    request.sync = !noSync_;
    if (pieces_ > 0) {
        return true;
    }
    const std::string& text = arguments_[1];
    const PieceSize size = sizeArgument(text);
    switch (size.status) {
        case PieceSize::Status::Ok:
            request.pieceSize = size.bytes;
            return true;
        case PieceSize::Status::TooSmall:
            std::fprintf(err, "morsela: '%s' gives pieces of less than one byte\n", text.c_str());
            break;
        case PieceSize::Status::TooLarge:
            std::fprintf(err, "morsela: '%s' is too large for a piece size\n", text.c_str());
            break;
        case PieceSize::Status::BadUnit:
            std::fprintf(err,
                         "morsela: '%s' is not a size: give a number with one of the units %s\n",
                         text.c_str(), kSizeUnits);
            break;
    }
    return false;
}

int SplitCommand::run(std::FILE* out, std::FILE* err) {
    SplitRequest request;
    if (!readArguments(request, err)) {
        return kExitUsage;
    }
    TerminalObserver terminal = terminalFor(out, err, verbose_, quiet_, force_);
    return runEngine(terminal, [&] {
        const SplitOutcome outcome = split(request, terminal);
        terminal.finished(request.source + ": " + countOf(outcome.pieces, "piece", "pieces") +
                          " of " + humanBytes(static_cast<double>(outcome.pieceSize)) + " in " +
                          terminal.elapsed() + "; rejoin with " + outcome.scriptPath);
        return kExitOk;
    });
}

}  // namespace morsela
