#include "cli/command.h"

#include <unistd.h>
#include <cstring>
#include <optional>

#include "words/printable.h"

namespace morsela {

Command::Command(CLI::App& app, std::string name, const CommandWords& words)
    : name_(std::move(name)) {
    subcommand_ = app.add_subcommand(name_);
    addHelpAndVersion(
        *subcommand_, [this] { return help(); }, words);
    subcommand_->allow_extras();  // unknown options are named in the program's own words
    // Operands are any number of words: as long as a command can take more, CLI11 keeps a
    // "--" for it, after which every word is an operand, whatever it looks like.
    subcommand_->add_option("OPERANDS", operands_)
        ->expected(CLI::detail::expected_max_vector_size, CLI::detail::expected_max_vector_size)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

// The "--" that CLI11 keeps among the words it could not place is no option.
std::vector<std::string> Command::unknownOptions() const {
    std::vector<std::string> unknown = subcommand_->remaining();
    std::erase(unknown, "--");
    return unknown;
}

int Command::runEngine(TerminalObserver& terminal, const std::function<int()>& work) {
    int status = kExitFailed;
    std::optional<Error> failure;
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
