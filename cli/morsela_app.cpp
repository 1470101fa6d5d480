#include "cli/morsela_app.h"

#include <algorithm>
#include <sstream>

#include "cli/join_command.h"
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

// "morsela: 'spilt' is not a command; did you mean 'split'?" for a first word that names no
// subcommand; empty when it is one, or an option.
std::string unknownCommand(const std::vector<std::string>& args,
                           const std::vector<std::string>& commands) {
    if (args.empty() || args[0].empty() || args[0][0] == '-' ||
        std::find(commands.begin(), commands.end(), args[0]) != commands.end()) {
        return "";
    }
    std::string text = "morsela: '" + args[0] + "' is not a command";
    for (const std::string& command : commands) {
        if (editDistance(args[0], command) <= 2) {
            return text + "; did you mean '" + command + "'?\n";
        }
    }
    return text + "; the commands are 'split', 'join' and 'verify'\n";
}

}  // namespace

int runMorsela(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    CLI::App app{"Cuts a file into numbered pieces and writes a script that joins them again."};
    app.name("morsela");
    app.set_version_flag("--version", std::string("morsela ") + MORSELA_VERSION);
    app.require_subcommand(1);
    SplitCommand split(app);
    JoinCommand join(app);
    VerifyCommand verify(app);

    if (const std::string unknown = unknownCommand(args, {"split", "join", "verify"});
        !unknown.empty()) {
        std::fputs(unknown.c_str(), err);
        return kExitUsage;
    }
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 parses from the back
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        std::ostringstream normal;
        std::ostringstream failure;
        const int status = app.exit(error, normal, failure);
        std::fputs(normal.str().c_str(), out);
        if (status != 0) {
            std::fprintf(err, "morsela: %s\nRun 'morsela --help' for more.\n", error.what());
        }
        return status == 0 ? kExitOk : kExitUsage;
    }
    for (Command* command : std::initializer_list<Command*>{&split, &join, &verify}) {
        if (command->chosen()) {
            return command->run(out, err);
        }
    }
    return kExitUsage;
}

}  // namespace morsela
