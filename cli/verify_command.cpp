#include "cli/verify_command.h"

#include "cli/help_text.h"
#include "cli/join_command.h"
#include "split/join/verify.h"

namespace morsela {

const char* const VerifyCommand::kUsage =
    "morsela verify [-q] SCRIPT\n"
    "morsela verify [-q] NAME.001\n";

const char* const VerifyCommand::kOptions = "  -q, --quiet    print nothing but errors\n";

VerifyCommand::VerifyCommand(CLI::App& app) : Command(app, "verify") {
    subcommand_->add_flag("-q,--quiet", quiet_);
}

std::string VerifyCommand::help() const {
    return usageText({kUsage}) +
           "Check every piece that the rejoin SCRIPT names, or the numbered series that\n"
           "NAME.001 is a piece of, as join finds it, against TARGET.sha256 beside them\n"
           "(split --checksum writes it, or sha256sum in any form sha256sum -c reads),\n"
           "writing nothing, and name every damaged piece.\n\n" +
           kOptions + helpAndVersion(17) +
           "\nExample:\n"
           "  morsela verify /media/stick/movie.bat\n";
}

int VerifyCommand::run(std::FILE* out, std::FILE* err) {
    if (!oneScript(operands_, name(), err)) {
        return kExitUsage;
    }
    TerminalObserver terminal = terminalFor(out, err, {false, false, quiet_, false});
    return runEngine(terminal, [&] {
        const VerifyOutcome outcome = verify(operands_[0], terminal);
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
