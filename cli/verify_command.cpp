#include "cli/verify_command.h"

#include "cli/help_text.h"
#include "cli/join_command.h"
#include "engine/join/verify.h"
#include "words/human_text.h"
#include "words/recovery_text.h"

namespace morsela {

const char* const VerifyCommand::kUsage =
    "morsela verify [-q] SCRIPT\n"
    "morsela verify [-q] NAME.001\n";

const char* const VerifyCommand::kOptions = "  -q, --quiet    print nothing but errors\n";

VerifyCommand::VerifyCommand(CLI::App& app, const CommandWords& words)
    : Command(app, "verify", words) {
    addFlag(*subcommand_, "-q,--quiet", quiet_, words);
}

std::string VerifyCommand::help() const {
    return usageText({kUsage}) +
           "Check every piece that the rejoin SCRIPT names, or the numbered series that\n"
           "NAME.001 is a piece of, as join finds it, against TARGET.sha256 beside them\n"
           "(split --checksum writes it, or sha256sum in any form sha256sum -c reads),\n"
           "writing nothing, and name every damaged piece. Where recovery files are\n"
           "beside them (split --recovery writes NAME.par2, or par2 create), the pieces\n"
           "are checked against those instead, and verify says which lost or damaged\n"
           "pieces they can rebuild (join rebuilds them) or how many blocks are short.\n\n" +
           kOptions + helpAndVersion(17) +
           "\nExample:\n"
           "  morsela verify /media/stick/movie.bat\n";
}

namespace {

// What the recovery files found of the pieces, a line for each one lost or damaged, and one
// for each piece that they do not describe and so did not check.
int reportRecovery(const std::string& input, const VerifyOutcome& outcome,
                   TerminalObserver& terminal) {
    const recovery::RecoveryReport& report = outcome.recovery;
    const std::string can = rebuildableText(report.rebuildable, report.moreBlocksNeeded);
    for (const std::string& piece : report.missing) {
        terminal.failed(Error::refused(piece, lostPieceText(false) + "; " + can));
    }
    for (const std::string& piece : report.damaged) {
        terminal.failed(Error::refused(piece, lostPieceText(true) + "; " + can));
    }
    if (!report.missing.empty() || !report.damaged.empty()) {
        return kExitFailed;
    }
    for (const std::string& piece : outcome.unchecked) {
        terminal.failed(Error::refused(piece,
                                       "is not described by the recovery files beside "
                                       "it, so it was not checked"));
    }
    if (!outcome.unchecked.empty()) {
        const auto whole = report.pieces;
        terminal.failed(Error::refused(input, countOf(whole, "piece is", "pieces are") +
                                                  " whole, as the recovery files say; " +
                                                  std::to_string(outcome.unchecked.size()) +
                                                  " not checked"));
        return kExitFailed;
    }
    terminal.finished(input + ": every piece is whole, as the recovery files say");
    return kExitOk;
}

}  // namespace

int VerifyCommand::run(std::FILE* out, std::FILE* err) {
    if (!oneScript(operands_, name(), err)) {
        return kExitUsage;
    }
    TerminalObserver terminal = terminalFor(out, err, {false, false, quiet_, false});
    return runEngine(terminal, [&] {
        const VerifyOutcome outcome =
            verify({operands_[0], terminal.stopSource().token()}, terminal);
        if (outcome.recovery.found) {
            return reportRecovery(operands_[0], outcome, terminal);
        }
        for (const std::string& piece : outcome.damaged) {
            terminal.failed(Error::refused(piece, "checksum does not match; the piece is damaged"));
        }
        if (!outcome.damaged.empty()) {
            return kExitFailed;
        }
        terminal.finished(operands_[0] + ": every piece is whole");
        return kExitOk;
    });
}

}  // namespace morsela
