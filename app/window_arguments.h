#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace morsela {

// What morsela-win is asked for on its command line: `--help` and `--version` answer on the
// terminal, without a display; otherwise the window opens, on FILE when one is given.
struct WindowArguments {
    enum class Action { OpenWindow, Exit };
    Action action = Action::OpenWindow;
    int exitStatus = 0;
    std::optional<std::string> file;  // the system's bytes, as given
};

// Looks for --help (-h) and --version before the first "--"; prints the answer to `out` and
// asks to exit. Anything else is left for after Qt has taken its own options (-style, ...).
WindowArguments answerBeforeDisplay(int argc, char** argv, std::FILE* out);

// The arguments Qt left: at most one FILE; an unknown option or a second file is a usage
// error, printed to `err` with exit status 2. "--" ends the options.
WindowArguments readFileArgument(int argc, char** argv, std::FILE* err);

// The text of --help.
const char* windowHelp();

}  // namespace morsela
