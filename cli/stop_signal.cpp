#include "cli/stop_signal.h"

#include <unistd.h>
#include <csignal>
#include <initializer_list>

namespace morsela {
namespace {

volatile std::sig_atomic_t signalled = 0;
volatile std::sig_atomic_t lineToErase = -1;

extern "C" void onStopSignal(int signal) {
    if (signalled) {  // the second Ctrl-C: the user means it
        if (lineToErase >= 0) {
            [[maybe_unused]] const auto ignored = ::write(lineToErase, "\r\033[J", 4);
        }
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    signalled = 1;
}

}  // namespace

void installStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a long copy returns early, and the stop comes sooner.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

bool stopSignalled() {
    return signalled != 0;
}

void setLineToEraseOnExit(int fd) {
    lineToErase = fd;
}

}  // namespace morsela
