#pragma once

#include <cstdio>
#include <functional>

#include <CLI/CLI.hpp>

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
    bool chosen() const { return subcommand_ != nullptr && subcommand_->parsed(); }
    virtual int run(std::FILE* out, std::FILE* err) = 0;

  protected:
    // Runs the engine's work and gives its exit status: `work`'s own when it returns, 1 for
    // a failure (worded on standard error by `terminal`), 130 for a stop.
    static int runEngine(TerminalObserver& terminal, const std::function<int()>& work);
    // The terminal observer for this run: a bar only where standard error is a terminal.
    static TerminalObserver terminalFor(std::FILE* out, std::FILE* err, bool listFiles, bool quiet,
                                        bool force = false);

    CLI::App* subcommand_ = nullptr;
};

}  // namespace morsela
