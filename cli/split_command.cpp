#include "cli/split_command.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstdlib>

#include "cli/help_text.h"
#include "cli/size_argument.h"
#include "engine/split.h"
#include "words/human_text.h"

namespace morsela {

const char* const SplitCommand::kUsage =
    "morsela split [OPTION]... SOURCE SIZE [OUTDIR]\n"
    "morsela split -n N [OPTION]... SOURCE [OUTDIR]\n";

const char* const SplitCommand::kOptions =
    "  -n, --pieces=N  cut into at most N pieces of equal size instead of SIZE\n"
    "      --checksum  also write SOURCE.sha256, which sha256sum -c and join check\n"
    "      --recovery=P\n"
    "                  also write SOURCE.par2 and recovery volumes worth P percent of\n"
    "                  the source (1 to 100), which rebuild lost or damaged pieces\n"
    "  -f, --force     replace another file's split whose pieces have these names\n"
    "      --no-sync   finish without waiting until the pieces are on the medium\n"
    "  -v, --verbose   list every file written, on standard output\n"
    "  -q, --quiet     print nothing but errors\n";

SplitCommand::SplitCommand(CLI::App& app, const CommandWords& words)
    : Command(app, "split", words) {
    piecesOption_ = addValueOption(*subcommand_, "-n,--pieces", pieces_,
                                   "a number of pieces, as in -n 3", words);
    addFlag(*subcommand_, "-v,--verbose", verbose_, words);
    addFlag(*subcommand_, "-q,--quiet", quiet_, words);
    addFlag(*subcommand_, "--checksum", checksum_, words);
    addFlag(*subcommand_, "-f,--force", force_, words);
    addFlag(*subcommand_, "--no-sync", noSync_, words);
    recoveryOption_ = addValueOption(*subcommand_, "--recovery", recovery_,
                                     "a percentage of the source, as in --recovery 10", words);
}

std::string SplitCommand::help() const {
    return usageText({kUsage}) +
           "Cut SOURCE into numbered pieces of SIZE in OUTDIR (the current directory when\n"
           "it is left out), and write beside them a script that joins them again:\n"
           "archive.zip gives archive.001, archive.002, ... and archive.bat.\n\n" +
           kOptions + helpAndVersion(18) + "\n" + kSizeHelp +
           "\nExamples:\n"
           "  morsela split movie.mp4 700M /media/stick  pieces of 700 MiB on a stick\n"
           "  morsela split backup.tar 4.7GB             pieces of 4.7 GB for DVDs\n"
           "  morsela split -n 3 photos.zip /media/disc  three pieces of equal size\n"
           "  morsela split --recovery 10 film.mkv 100M  and recovery files for lost pieces\n";
}

// The piece count of -n: a whole number from 1 up.
bool SplitCommand::readPieceCount(SplitRequest& request, std::FILE* err) const {
    const bool digits =
        !pieces_.empty() && pieces_.find_first_not_of("0123456789") == std::string::npos;
    errno = 0;
    const long long count = digits ? std::strtoll(pieces_.c_str(), nullptr, 10) : 0;
    if (digits && errno == ERANGE) {
        usageError(err, "-n " + pieces_ + " is more pieces than any file has bytes");
        return false;
    }
    if (count < 1) {
        usageError(err, "-n needs a whole number of pieces from 1 up, not '" + pieces_ + "'");
        return false;
    }
    request.pieceCount = count;
    return true;
}

// The percentage of --recovery: a whole number from 1 to 100.
bool SplitCommand::readRecovery(SplitRequest& request, std::FILE* err) const {
    if (recoveryOption_->count() == 0) {
        return true;
    }
    const bool digits = !recovery_.empty() && recovery_.size() <= 3 &&
                        recovery_.find_first_not_of("0123456789") == std::string::npos;
    const int percent = digits ? std::atoi(recovery_.c_str()) : 0;
    if (percent < 1 || percent > 100) {
        usageError(err,
                   "--recovery needs a whole percentage from 1 to 100, not '" + recovery_ + "'");
        return false;
    }
    request.recoveryPercent = percent;
    return true;
}

bool SplitCommand::readSize(const std::string& text, SplitRequest& request, std::FILE* err) const {
    const PieceSize size = sizeArgument(text);
    switch (size.status) {
        case PieceSize::Status::Ok:
            request.pieceSize = size.bytes;
            return true;
        case PieceSize::Status::TooSmall:
            usageError(err,
                       "'" + text + "' gives pieces of less than one byte; give a larger size");
            break;
        case PieceSize::Status::TooLarge:
            usageError(err, "'" + text + "' is larger than any file can be; give a smaller size");
            break;
        case PieceSize::Status::BadUnit:
            usageError(err, "'" + text +
                                "' is not a size: give a number and a unit, k K KiB M MiB G "
                                "GiB T TiB (1024s) or kB KB MB GB TB (1000s), as in 700M");
            break;
    }
    return false;
}

// Fills the request from the arguments; a usage error is worded on `err` and gives false.
bool SplitCommand::readArguments(SplitRequest& request, std::FILE* err) const {
    const bool byCount = piecesOption_->count() > 0;
    if (!readRecovery(request, err) || (byCount && !readPieceCount(request, err))) {
        return false;
    }
    const std::size_t wanted = byCount ? 1 : 2;  // SOURCE, and SIZE unless -n
    const std::size_t given = operands_.size();
    struct stat status {};
    if (byCount && given > 1 && sizeArgument(operands_[1]).status == PieceSize::Status::Ok &&
        ::stat(operands_[1].c_str(), &status) != 0) {
        usageError(err, "-n " + pieces_ + " and the size '" + operands_[1] +
                            "' cannot go together: give one of them");
        return false;
    }
    if (given == 0) {
        usageError(err, byCount ? "split -n " + pieces_ + " needs the SOURCE file to cut"
                                : "split needs the SOURCE file and a SIZE, as in 'morsela "
                                  "split movie.mp4 700M'");
        return false;
    }
    if (given < wanted) {
        usageError(err, "split needs a SIZE after '" + operands_[0] +
                            "', as in 700M, or -n N to cut it into N pieces");
        return false;
    }
    if (given > wanted + 1) {
        usageError(err, "'" + operands_[wanted + 1] + "' is one argument too many: split takes " +
                            (byCount ? "SOURCE [OUTDIR] with -n" : "SOURCE SIZE [OUTDIR]"));
        return false;
    }
    request.source = operands_[0];
    request.outputDir = given > wanted ? operands_.back() : "";
    request.checksum = checksum_;
    request.sync = !noSync_;
    return byCount || readSize(operands_[1], request, err);
}

int SplitCommand::run(std::FILE* out, std::FILE* err) {
    SplitRequest request;
    if (!readArguments(request, err)) {
        return kExitUsage;
    }
    TerminalObserver terminal = terminalFor(out, err, {false, verbose_, quiet_, false, force_});
    return runEngine(terminal, [&] {
        // Another file's split under these names is replaced with --force only.
        PlannedSplit plan = planSplit(request);
        for (const OtherSplit& other : plan.otherSplits()) {
            if (terminal.replaceOtherSplit(other)) {
                plan.allowReplacingOtherSplits();
            }
        }
        const SplitOutcome outcome = carryOut(plan, terminal);
        const std::string pieces = outcome.sourceLength == 0
                                       ? "1 empty piece"
                                       : countOf(outcome.pieces, "piece", "pieces") + " of " +
                                             roughSize(outcome.pieceSize);
        terminal.finished(request.source + ": " + pieces + " in " + terminal.elapsed() +
                          "; rejoin with " + outcome.scriptPath);
        return kExitOk;
    });
}

}  // namespace morsela
