#include "cli/stop_signal.h"

#include <csignal>

namespace morsela {
namespace {

volatile std::sig_atomic_t signalled = 0;

extern "C" void onStopSignal(int signal) {
    if (signalled) {
        std::signal(signal, SIG_DFL);  // the second Ctrl-C: the user means it
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
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool stopSignalled() {
    return signalled != 0;
}

}  // namespace morsela
