#include "cli/command.h"

#include <unistd.h>
#include <cstring>
#include <optional>

#include "cli/stop_signal.h"
#include "words/printable.h"

namespace morsela {

Command::Command(CLI::App& app, std::string name) : name_(std::move(name)) {
    subcommand_ = app.add_subcommand(name_);
    subcommand_->set_help_flag();  // --help anywhere is read before the parser runs
    subcommand_->allow_extras();   // unknown options are named in the program's own words
    subcommand_->add_option("OPERANDS", operands_);
}

std::vector<std::string> Command::unknownOptions() const {
    return subcommand_->remaining();
}

void Command::addOperands(const std::vector<std::string>& words) {
    operands_.insert(operands_.end(), words.begin(), words.end());
}

int Command::runEngine(TerminalObserver& terminal, const std::function<int()>& work) {
    int status = kExitFailed;
    std::optional<Error> failure;
    const StopOnSignals signals(terminal.stopSource());
    try {
        status = work();
    } catch (const Error& error) {
        failure = error;
    } catch (const std::exception& error) {  // out of memory, for one
        failure = Error(Error::Kind::Other, "", error.what());
    }
    // A reader of standard output that went away stopped the job: that comes first.
    if (const int error = terminal.outputError(); error != 0) {
        terminal.failed(
            Error(Error::Kind::Other, "",
                  std::string("cannot write to standard output: ") + std::strerror(error)));
        status = kExitFailed;
    } else if (failure) {
        status = failure->kind() == Error::Kind::Stopped ? kExitStopped : kExitFailed;
    }
    if (failure) {
        terminal.failed(*failure);
    }
    return status;
}

TerminalObserver Command::terminalFor(std::FILE* out, std::FILE* err,
                                      TerminalObserver::Settings settings) {
    settings.drawBar = ::isatty(::fileno(err)) == 1;
    return TerminalObserver(out, err, settings);
}

int usageError(std::FILE* err, const std::string& text) {
    std::fprintf(err, "morsela: %s\n", printable(text).c_str());
    return kExitUsage;
}

}  // namespace morsela
