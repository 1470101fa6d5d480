#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/command_words.h"
#include "cli/terminal_observer.h"

namespace morsela {

// Exit statuses of the morsela command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitStopped = 130;  // stopped by a signal, as shells count it

// One verb of the command line: it adds its subcommand and options to the application, and
// runs when that subcommand was given.
class Command {
  public:
    virtual ~Command() = default;
    const std::string& name() const { return name_; }
    // Whether the command line chose this command.
    bool chosen() const { return subcommand_->parsed(); }
    // The subcommand with the command's options, as CLI11 read them.
    const CLI::App& options() const { return *subcommand_; }
    // What the parser could not place: options the command does not take.
    std::vector<std::string> unknownOptions() const;
    // Its --help text, within 80 columns.
    virtual std::string help() const = 0;
    virtual int run(std::FILE* out, std::FILE* err) = 0;

  protected:
    // Adds the subcommand `name`, read from `words`; its help and its usage errors are the
    // command's own.
    Command(CLI::App& app, std::string name, const CommandWords& words);
    // Runs the engine's work and gives its exit status: `work`'s own when it returns, 1 for
    // a failure (worded on standard error by `terminal`) or a standard output that could
    // not be written, 130 for a stop.
    static int runEngine(TerminalObserver& terminal, const std::function<int()>& work);
    // The terminal observer for this run: a bar only where standard error is a terminal.
    static TerminalObserver terminalFor(std::FILE* out, std::FILE* err,
                                        TerminalObserver::Settings settings);

    std::string name_;
    CLI::App* subcommand_ = nullptr;
    std::vector<std::string> operands_;  // the words that are not options, in order
};

// "morsela: " and `text` on `err`, as one line with control characters escaped, for a
// command line that cannot be run; gives the exit status of a usage error.
int usageError(std::FILE* err, const std::string& text);

}  // namespace morsela
