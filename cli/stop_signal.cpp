#include "cli/stop_signal.h"

#include <unistd.h>
#include <atomic>
#include <csignal>
#include <initializer_list>

namespace morsela {
namespace {

volatile std::sig_atomic_t signalled = 0;
volatile std::sig_atomic_t lineToErase = -1;
// The source a stop signal requests a stop through, if any; lock-free, so the handler may.
std::atomic<const StopSource*> stopTarget{nullptr};
static_assert(std::atomic<const StopSource*>::is_always_lock_free);

extern "C" void onStopSignal(int signal) {
    if (signalled) {  // the second Ctrl-C: the user means it
        if (lineToErase >= 0) {
            [[maybe_unused]] const auto ignored = ::write(lineToErase, "\r\033[J", 4);
        }
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    signalled = 1;
    if (const StopSource* source = stopTarget.load()) {
        source->requestStop();
    }
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

StopOnSignals::StopOnSignals(const StopSource& source) : source_(source) {
    stopTarget.store(&source_);
    if (signalled != 0) {
        source_.requestStop();
    }
}

StopOnSignals::~StopOnSignals() {
    stopTarget.store(nullptr);
}

void setLineToEraseOnExit(int fd) {
    lineToErase = fd;
}

}  // namespace morsela
