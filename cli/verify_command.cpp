#include "cli/verify_command.h"

#include "split/join/verify.h"

namespace morsela {

VerifyCommand::VerifyCommand(CLI::App& app) {
    subcommand_ = app.add_subcommand(
        "verify", "Check the pieces a rejoin script names against TARGET.sha256 beside it");
    subcommand_->add_option("SCRIPT", script_, "the rejoin script written by split")->required();
    subcommand_->add_flag("-q,--quiet", quiet_, "print nothing when every piece is whole");
}

int VerifyCommand::run(std::FILE* out, std::FILE* err) {
    TerminalObserver terminal = terminalFor(out, err, false, quiet_);
    return runEngine(terminal, [&] {
        const VerifyOutcome outcome = verify(script_, terminal);
        for (const std::string& piece : outcome.damaged) {
            terminal.failed(Error::refused(piece, "checksum does not match; the piece is damaged"));
        }
        if (!outcome.damaged.empty()) {
            return kExitFailed;
        }
        terminal.finished(script_ + ": every piece is whole");
        return kExitOk;
    });
}

}  // namespace morsela
