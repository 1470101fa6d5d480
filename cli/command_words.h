#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace morsela {

// The words of a command line as CLI11 reads them, once. CLI11 takes the words of a vector
// from its back; what it has not taken yet tells which word it read last, so that a value
// can be judged by how it was typed ("--pieces=" followed by a file is no count of pieces).
class CommandWords {
  public:
    explicit CommandWords(const std::vector<std::string>& words);

    const std::vector<std::string>& typed() const { return typed_; }
    // What CLI11 parses, last word first; it takes words from the back as it reads them.
    std::vector<std::string>& unread() { return unread_; }
    // The word read `before` words before the last one read, "" when there is none.
    std::string lastRead(std::size_t before = 0) const;

  private:
    std::vector<std::string> typed_;
    std::vector<std::string> unread_;
};

// A command line that cannot be run, found while it is read: its line of explanation.
struct UsageProblem {
    std::string text;
};

// --help or --version: the text to print instead of running anything.
struct Answered {
    std::string text;
};

// A flag of `app`, such as "-q,--quiet", setting `value`; a value typed after "=" is refused
// as a UsageProblem, since no flag takes one.
void addFlag(CLI::App& app, const std::string& names, bool& value, const CommandWords& words);

// An option of `app` with a value, such as "-o,--output"; `what` says what the value is
// ("a number of pieces, as in -n 3"). A value that is missing ("--pieces=" or the option
// last, or "--" after it) is refused as a UsageProblem; any other word is the value,
// whatever it looks like. Several times, the last counts.
CLI::Option* addValueOption(CLI::App& app, const std::string& names, std::string& value,
                            const std::string& what, const CommandWords& words);

// -h, --help and --version of `app`: the first of them ends the reading with Answered.
void addHelpAndVersion(CLI::App& app, const std::function<std::string()>& help,
                       const CommandWords& words);

// The problem when CLI11 ran out of words for a value: `app`'s option that the last word
// names needs its value. Nothing when the last word names none.
std::optional<UsageProblem> valueMissingAtEnd(const CLI::App& app, const CommandWords& words);

}  // namespace morsela
