#pragma once

#include <sys/types.h>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace morsela::test {

// Something done to a running morsela process once `after` has passed since it started
// and, on a pseudo-terminal, once it has shown `shown` there: `act` gets its process id and
// the terminal's controlling side (-1 without one).
struct ProcessAction {
    std::chrono::milliseconds after;
    std::function<void(pid_t process, int terminal)> act;
    std::string shown = "";
};

ProcessAction sendSignal(std::chrono::milliseconds after, int signal);
// Types `keys` on the terminal once it shows `shown`, as a user would: "\x03" is Ctrl-C,
// echoed as "^C".
ProcessAction typeKeys(const std::string& shown, std::string keys);
// Makes the terminal `columns` wide once it shows `shown`; the process hears of it by
// SIGWINCH.
ProcessAction resizeTerminal(const std::string& shown, int columns);

struct ProcessOptions {
    bool slow = false;        // every in-kernel copy and write waits 30 ms first
    bool readerGone = false;  // standard output is a pipe that nobody reads any more
    int columns = 0;          // above 0: runs on a pseudo-terminal this wide
    std::string directory;    // the process's working directory; empty for this one's
    std::vector<ProcessAction> actions;
};

// What one run of the real binary gave.
struct ProcessRun {
    int status = -1;  // the exit status; -1 when a signal ended the process
    int signal = 0;   // that signal
    std::string out;  // standard output; on a terminal, all it was sent
    std::string err;  // standard error; empty on a terminal
    // On a terminal, how much of `out` it had shown when each action was done, in order.
    std::vector<std::size_t> actedAt;
    long peakKiB = 0;  // the most memory it took
};

// Runs the real morsela binary with `args`, does `options.actions` in their order while it
// runs, and waits for its end (killing it after a minute).
ProcessRun runMorselaProcess(const std::vector<std::string>& args,
                             const ProcessOptions& options = {});

}  // namespace morsela::test
