#include "cli/terminal_size.h"

#include <sys/ioctl.h>
#include <atomic>
#include <csignal>

namespace morsela {
namespace {

std::atomic<bool> resized{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set in a signal handler");

extern "C" void onResize(int /*signal*/) {
    resized = true;
}

}  // namespace

int terminalColumns(int fd) {
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
        return 80;
    }
    return size.ws_col;
}

void watchTerminalSize() {
    struct sigaction action {};
    action.sa_handler = onResize;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // a resize never interrupts a copy
    sigaction(SIGWINCH, &action, nullptr);
}

bool terminalResized() {
    return resized.exchange(false);
}

}  // namespace morsela
