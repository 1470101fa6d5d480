#include "cli/morsela_app.h"

#include <sstream>

#include "cli/join_command.h"
#include "cli/split_command.h"

namespace morsela {

int runMorsela(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    CLI::App app{"Cuts a file into numbered pieces and writes a script that joins them again."};
    app.name("morsela");
    app.set_version_flag("--version", std::string("morsela ") + MORSELA_VERSION);
    app.require_subcommand(1);
    SplitCommand split(app);
    JoinCommand join(app);

    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 parses from the back
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        std::ostringstream normal;
        std::ostringstream failure;
        const int status = app.exit(error, normal, failure);
        std::fputs(normal.str().c_str(), out);
        std::fputs(failure.str().c_str(), err);
        return status == 0 ? kExitOk : kExitUsage;
    }
    return split.chosen() ? split.run(out, err) : join.run(out, err);
}

}  // namespace morsela
