#include "tests/support/morsela_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tests/support/temp_dir.h"

namespace morsela::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kLongest = std::chrono::seconds(60);

[[noreturn]] void execMorsela(const std::vector<std::string>& args, const ProcessOptions& options) {
    if (!options.directory.empty() && ::chdir(options.directory.c_str()) != 0) {
        std::_Exit(126);
    }
    if (options.slow) {
        ::setenv("LD_PRELOAD", MORSELA_SLOW_IO, 1);
        ::setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);  // for a sanitizer build
    }
    std::vector<char*> argv{const_cast<char*>(MORSELA_BIN)};
    for (const auto& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(MORSELA_BIN, argv.data());
    std::_Exit(127);
}

void finish(pid_t pid, ProcessRun& run) {
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.peakKiB = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

// Does every action that is due after what the terminal has shown so far; gives how long to
// wait for the next one at most, or -1 when none is left.
int actUpTo(Clock::time_point start, ProcessRun& run, std::size_t& next,
            const std::vector<ProcessAction>& actions, pid_t pid, int terminal) {
    while (next < actions.size() && Clock::now() - start >= actions[next].after &&
           run.out.find(actions[next].shown) != std::string::npos) {
        run.actedAt.push_back(run.out.size());
        actions[next++].act(pid, terminal);
    }
    if (next == actions.size()) {
        return -1;
    }
    const auto wait = actions[next].after - (Clock::now() - start);
    return std::max(
        1,
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()) + 1);
}

ProcessRun onTerminal(const std::vector<std::string>& args, const ProcessOptions& options) {
    winsize size{};
    size.ws_row = 24;
    size.ws_col = static_cast<unsigned short>(options.columns);
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, &size);
    if (pid == 0) {
        execMorsela(args, options);
    }
    ProcessRun run;
    const auto start = Clock::now();
    std::size_t next = 0;
    char buffer[4096];
    while (Clock::now() - start < kLongest) {
        const int wait = actUpTo(start, run, next, options.actions, pid, terminal);
        pollfd poll{terminal, POLLIN, 0};
        if (::poll(&poll, 1, wait < 0 ? 1000 : wait) == 0) {
            continue;
        }
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n <= 0) {
            break;  // EIO: the process and its terminal are gone
        }
        run.out.append(buffer, static_cast<std::size_t>(n));
    }
    ::kill(pid, SIGKILL);  // only if it hangs: a process that ended is not yet reaped
    finish(pid, run);
    ::close(terminal);
    return run;
}

}  // namespace

ProcessAction sendSignal(std::chrono::milliseconds after, int signal) {
    return {after, [signal](pid_t pid, int) { ::kill(pid, signal); }};
}

ProcessAction typeKeys(const std::string& shown, std::string keys) {
    return {std::chrono::milliseconds(0),
            [keys](pid_t, int terminal) {
                [[maybe_unused]] auto n = ::write(terminal, keys.data(), keys.size());
            },
            shown};
}

ProcessAction resizeTerminal(const std::string& shown, int columns) {
    return {std::chrono::milliseconds(0),
            [columns](pid_t, int terminal) {
                winsize size{};
                size.ws_row = 24;
                size.ws_col = static_cast<unsigned short>(columns);
                ::ioctl(terminal, TIOCSWINSZ, &size);
            },
            shown};
}

ProcessRun runMorselaProcess(const std::vector<std::string>& args, const ProcessOptions& options) {
    if (options.columns > 0) {
        return onTerminal(args, options);
    }
    TempDir dir;
    int pipe[2] = {-1, -1};
    if (options.readerGone && ::pipe(pipe) == 0) {
        ::close(pipe[0]);
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool out = options.readerGone
                             ? ::dup2(pipe[1], 1) == 1
                             : std::freopen((dir / "out").c_str(), "w", stdout) != nullptr;
        if (!out || !std::freopen((dir / "err").c_str(), "w", stderr)) {
            std::_Exit(126);
        }
        execMorsela(args, options);
    }
    if (pipe[1] >= 0) {
        ::close(pipe[1]);
    }
    const auto start = Clock::now();
    for (const ProcessAction& action : options.actions) {
        std::this_thread::sleep_until(start + action.after);
        action.act(pid, -1);
    }
    ProcessRun run;
    finish(pid, run);
    run.out = options.readerGone ? "" : readFile(dir / "out");
    run.err = readFile(dir / "err");
    return run;
}

}  // namespace morsela::test
