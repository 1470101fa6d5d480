#pragma once

#include <cstdio>

#include <CLI/CLI.hpp>

namespace morsela {

// Exit statuses of the morsela command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// One verb of the command line: it adds its subcommand and options to the application, and
// runs when that subcommand was given.
class Command {
  public:
    virtual ~Command() = default;
    bool chosen() const { return subcommand_ != nullptr && subcommand_->parsed(); }
    virtual int run(std::FILE* out, std::FILE* err) = 0;

  protected:
    CLI::App* subcommand_ = nullptr;
};

}  // namespace morsela
