#include "cli/morsela_app.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "cli/help_text.h"
#include "cli/join_command.h"
#include "cli/size_argument.h"
#include "cli/split_command.h"
#include "cli/verify_command.h"

namespace morsela {
namespace {

// How many single-character edits turn one word into the other.
std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// "'spilt' is not a command; did you mean 'split'?" for a first word that names no command.
std::string unknownCommand(const std::string& word, const std::vector<std::string>& commands) {
    const std::string text = "'" + word + "' is not a command";
    for (const std::string& command : commands) {
        if (editDistance(word, command) <= 2) {
            return text + "; did you mean '" + command + "'?";
        }
    }
    return text + "; the commands are 'split', 'join' and 'verify'";
}

std::string mainHelp() {
    return usageText({SplitCommand::kUsage, JoinCommand::kUsage, VerifyCommand::kUsage}) +
           "Cut a file into numbered pieces that fit smaller media, and write beside them a\n"
           "script that joins them again: on Windows by running it, here with morsela join.\n"
           "\n"
           "Commands:\n"
           "  split   cut SOURCE into pieces of SIZE, or into N pieces, in OUTDIR\n"
           "  join    rebuild the file from the pieces a SCRIPT names, or from NAME.001 on\n"
           "  verify  check those pieces against the checksum file beside them\n"
           "\n"
           "Options of split:\n" +
           SplitCommand::kOptions + "Options of join:\n" + JoinCommand::kOptions +
           "Options of verify:\n" + VerifyCommand::kOptions + "Options of every command:\n" +
           helpAndVersion(18) + "\n" + kSizeHelp +
           "\nExamples:\n"
           "  morsela split movie.mp4 700M /media/stick  pieces of 700 MiB on a stick\n"
           "  morsela join /media/stick/movie.bat -o ~   movie.mp4 back in your home\n"
           "\n"
           "Exit status: 0 done, 1 failed, 2 a usage error, 130 stopped by a signal.\n"
           "'morsela COMMAND --help' shows one command; 'man morsela' has the details.\n";
}

constexpr const char* kGiveACommand =
    "give a command: split, join or verify (see 'morsela --help')";

// What is wrong with the words CLI11 could not place before the command: a first word that
// names no command, or an option before it. Nothing when the line begins with its command.
std::optional<std::string> beforeTheCommand(const CLI::App& app, bool readToTheEnd) {
    const std::vector<std::string> stray = app.remaining();
    if (stray.empty()) {
        return std::nullopt;
    }
    if (stray.front().empty() || stray.front().front() != '-') {
        return unknownCommand(stray.front(), {"split", "join", "verify"});
    }
    // An option before the command is worded so only once the line was read whole: --help
    // or a misspelt value after it answers first.
    if (!readToTheEnd) {
        return std::nullopt;
    }
    return "give a command before '" + stray.front() +
           "': split, join or verify (see 'morsela --help')";
}

// The command line, read once by CLI11: the application with its three commands, each with
// its options and operands.
class MorselaLine {
  public:
    explicit MorselaLine(const std::vector<std::string>& args) : words_(args) {
        app_.name("morsela");
        app_.allow_extras();            // words before the command are named in our own words
        app_.require_subcommand(0, 1);  // after the command, every word is its own
        addHelpAndVersion(app_, mainHelp, words_);
        commands_.push_back(std::make_unique<SplitCommand>(app_, words_));
        commands_.push_back(std::make_unique<JoinCommand>(app_, words_));
        commands_.push_back(std::make_unique<VerifyCommand>(app_, words_));
    }

    // Reads the line; gives the command to run, or nothing after printing what the line
    // asked for (help, the version) or its usage error, with `status` set.
    Command* read(std::FILE* out, std::FILE* err, int& status) {
        try {
            app_.parse(words_.unread());
        } catch (const Answered& answer) {
            return finishEarly(answer.text, out, err, status);
        } catch (const UsageProblem& problem) {
            return finishEarly("", out, err, status, problem.text);
        } catch (const CLI::ParseError&) {
            return finishEarly("", out, err, status, unreadable());
        }
        status = kExitUsage;
        if (beginsWithCommand() && !app_.remaining().empty()) {
            usageError(err, unreadable());  // words after "++", which ends a command's words
            return nullptr;
        }
        if (const auto problem = beforeTheCommand(app_, true)) {
            usageError(err, *problem);
            return nullptr;
        }
        Command* const command = chosen();
        if (command == nullptr) {
            usageError(err, kGiveACommand);
            return nullptr;
        }
        if (const auto unknown = command->unknownOptions(); !unknown.empty()) {
            usageError(err, command->name() + " has no option '" + unknown.front() + "'; " +
                                helpHint(command));
            return nullptr;
        }
        return command;
    }

  private:
    bool beginsWithCommand() const {
        return std::any_of(commands_.begin(), commands_.end(), [&](const auto& command) {
            return command->name() == words_.typed().front();
        });
    }

    Command* chosen() const {
        for (const auto& command : commands_) {
            if (command->chosen()) {
                return command.get();
            }
        }
        return nullptr;
    }

    static std::string helpHint(const Command* command) {
        return command != nullptr ? "see 'morsela " + command->name() + " --help'"
                                  : "see 'morsela --help'";
    }

    // A line CLI11 stopped reading: a value missing at its end, or anything else it refused.
    std::string unreadable() const {
        Command* const command = chosen();
        if (command != nullptr) {
            if (const auto missing = valueMissingAtEnd(command->options(), words_)) {
                return missing->text;
            }
        }
        std::string typed;
        for (const std::string& word : words_.typed()) {
            typed += (typed.empty() ? "" : " ") + word;
        }
        return "cannot read the command line '" + typed + "'; " + helpHint(command);
    }

    // Ends the reading early: a first word that names no command is said first; then the
    // answer on `out`, or the problem on `err`.
    Command* finishEarly(const std::string& answer, std::FILE* out, std::FILE* err, int& status,
                         const std::string& problem = "") const {
        if (const auto unknown =
                beginsWithCommand() ? std::nullopt : beforeTheCommand(app_, false)) {
            status = usageError(err, *unknown);
        } else if (!problem.empty()) {
            status = usageError(err, problem);
        } else {
            std::fputs(answer.c_str(), out);
            status = kExitOk;
        }
        return nullptr;
    }

    CommandWords words_;
    CLI::App app_;
    std::vector<std::unique_ptr<Command>> commands_;
};

}  // namespace

int runMorsela(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    if (args.empty()) {
        return usageError(err, kGiveACommand);
    }
    MorselaLine line(args);
    int status = kExitUsage;
    Command* const command = line.read(out, err, status);
    return command != nullptr ? command->run(out, err) : status;
}

}  // namespace morsela
