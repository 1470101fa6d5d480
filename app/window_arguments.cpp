#include "app/window_arguments.h"

#include <string_view>

namespace morsela {

const char* windowHelp() {
    return "Usage: morsela-win [FILE]\n"
           "Open the window \"Morsela Win\", which cuts a file into numbered pieces and\n"
           "writes beside them a script that joins them again; FILE fills in the file to\n"
           "split. Given a rejoin script (its first command is copy /b) or the first of\n"
           "numbered pieces (NAME.001), open the join window instead, which rebuilds the\n"
           "file from its pieces.\n"
           "\n"
           "      --help     show this help and exit\n"
           "      --version  show the version and exit\n"
           "\n"
           "Qt's own options, such as -style NAME or -platform NAME, are taken too.\n"
           "To split or join from a shell or a script, use morsela; see morsela-win(1) and\n"
           "morsela(1).\n";
}

WindowArguments answerBeforeDisplay(int argc, char** argv, std::FILE* out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") {
            break;
        }
        if (argument == "--help" || argument == "-h") {
            std::fputs(windowHelp(), out);
            return {WindowArguments::Action::Exit, 0, std::nullopt};
        }
        if (argument == "--version") {
            std::fputs("morsela-win " MORSELA_VERSION "\n", out);
            return {WindowArguments::Action::Exit, 0, std::nullopt};
        }
    }
    return {};
}

WindowArguments readFileArgument(int argc, char** argv, std::FILE* err) {
    WindowArguments arguments;
    const auto usageError = [&](const std::string& what) {
        std::fprintf(err, "morsela-win: %s\nTry 'morsela-win --help' for more information.\n",
                     what.c_str());
        return WindowArguments{WindowArguments::Action::Exit, 2, std::nullopt};
    };
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (options && argument == "--") {
            options = false;
        } else if (options && argument.size() > 1 && argument.front() == '-') {
            return usageError("unknown option '" + argument + "'");
        } else if (arguments.file) {
            return usageError("'" + argument +
                              "' is one argument too many: the window opens one FILE");
        } else {
            arguments.file = argument;
        }
    }
    return arguments;
}

}  // namespace morsela
