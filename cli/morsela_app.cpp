#include "cli/morsela_app.h"

#include <algorithm>
#include <array>
#include <memory>

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

// The options that take a value, and what the value is.
struct ValueOption {
    const char* shortName;
    const char* longName;
    const char* value;
};
constexpr std::array<ValueOption, 3> kValueOptions{{
    {"-n", "--pieces", "a number of pieces, as in -n 3"},
    {"--recovery", "--recovery", "a percentage of the source, as in --recovery 10"},
    {"-o", "--output", "the file or directory to write to, as in -o ~/restore"},
}};

constexpr std::array<const char*, 5> kFlags{"--checksum", "--force", "--no-verify", "--quiet",
                                            "--verbose"};

const ValueOption* valueOption(const std::string& word) {
    for (const ValueOption& option : kValueOptions) {
        if (word == option.shortName || word == option.longName ||
            word == std::string(option.longName) + "=") {
            return &option;
        }
    }
    return nullptr;
}

// What the words before "--" ask for besides a job: --help or --version (whichever comes
// first), or a usage error for an option whose value is missing or that takes none.
struct Request {
    enum class Kind { Job, Help, Version, MissingValue, NoValue } kind = Kind::Job;
    std::string word;  // the option as typed
    const ValueOption* option = nullptr;
};

Request scanOptions(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
        const std::string& word = args[i];
        if (word == "--help" || word == "-h") {
            return {Request::Kind::Help, word, nullptr};
        }
        if (word == "--version") {
            return {Request::Kind::Version, word, nullptr};
        }
        if (const ValueOption* option = valueOption(word)) {
            if (word.ends_with('=') || i + 1 == args.size() || args[i + 1] == "--") {
                return {Request::Kind::MissingValue, word, option};
            }
            ++i;  // its value, whatever it looks like
        }
        const std::string name = word.substr(0, word.find('='));
        if (name != word && std::find(kFlags.begin(), kFlags.end(), name) != kFlags.end()) {
            return {Request::Kind::NoValue, word, nullptr};
        }
    }
    return {};
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

// Gives `command` its options and operands from `args`; false after a usage error worded on
// `err`.
bool parse(CLI::App& app, Command& command, const std::vector<std::string>& args, std::FILE* err) {
    const std::string helpHint = "see 'morsela " + command.name() + " --help'";
    // Words after "--" are operands, whatever they look like: the parser never sees them.
    const auto mark = std::find(args.begin(), args.end(), "--");
    std::vector<std::string> reversed(std::make_reverse_iterator(mark), args.rend());
    try {
        app.parse(reversed);  // CLI11 parses from the back
    } catch (const CLI::ParseError&) {
        std::string typed;
        for (const std::string& arg : args) {
            typed += (typed.empty() ? "" : " ") + arg;
        }
        usageError(err, "cannot read the command line '" + typed + "'; " + helpHint);
        return false;
    }
    if (const auto unknown = command.unknownOptions(); !unknown.empty()) {
        usageError(err, command.name() + " has no option '" + unknown.front() + "'; " + helpHint);
        return false;
    }
    command.addOperands({mark == args.end() ? mark : mark + 1, args.end()});
    return true;
}

}  // namespace

int runMorsela(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    CLI::App app;
    app.name("morsela");
    app.set_help_flag();  // --help and --version anywhere are read before the parser runs
    app.require_subcommand(1);
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<SplitCommand>(app));
    commands.push_back(std::make_unique<JoinCommand>(app));
    commands.push_back(std::make_unique<VerifyCommand>(app));
    const auto named = [&](const std::string& word) -> Command* {
        for (const auto& command : commands) {
            if (command->name() == word) {
                return command.get();
            }
        }
        return nullptr;
    };
    if (args.empty()) {
        return usageError(err, "give a command: split, join or verify (see 'morsela --help')");
    }
    if (args[0].empty() || (args[0][0] != '-' && named(args[0]) == nullptr)) {
        return usageError(err, unknownCommand(args[0], {"split", "join", "verify"}));
    }
    Command* const command = named(args[0]);
    switch (const Request request = scanOptions(args); request.kind) {
        case Request::Kind::Help:
            std::fputs((command != nullptr ? command->help() : mainHelp()).c_str(), out);
            return kExitOk;
        case Request::Kind::Version:
            std::fprintf(out, "morsela %s\n", MORSELA_VERSION);
            return kExitOk;
        case Request::Kind::MissingValue:
            return usageError(err, request.word.substr(0, request.word.find('=')) + " needs " +
                                       request.option->value);
        case Request::Kind::NoValue:
            return usageError(err, request.word.substr(0, request.word.find('=')) +
                                       " takes no value; give it without '" +
                                       request.word.substr(request.word.find('=')) + "'");
        case Request::Kind::Job:
            break;
    }
    if (command == nullptr) {
        return usageError(err, "give a command before '" + args[0] +
                                   "': split, join or verify (see 'morsela --help')");
    }
    return parse(app, *command, args, err) ? command->run(out, err) : kExitUsage;
}

}  // namespace morsela
