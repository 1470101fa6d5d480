#include "engine/os/fault_hooks.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

#include "engine/os/call_seam.h"

namespace morsela::sys {
namespace {

std::atomic<long> calls{0};
std::atomic<double> slowMedium{0};
std::atomic<long> failingCall{0};
std::atomic<int> failingError{0};
std::atomic<long> actionCall{0};
// Set only while no job runs; read by the call that actionCall names.
std::function<void()> pendingAction;

}  // namespace

namespace seam {

bool callFails() {
    const long n = ++calls;
    if (n == actionCall.load()) {
        actionCall = 0;
        const int saved = errno;
        std::exchange(pendingAction, nullptr)();
        errno = saved;
    }
    if (n == failingCall.load(std::memory_order_relaxed)) {
        errno = failingError.load(std::memory_order_relaxed);
        return true;
    }
    return false;
}

void paceTransfer(std::size_t length) {
    const double rate = slowMedium.load(std::memory_order_relaxed);
    if (rate > 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(length / rate));
    }
}

}  // namespace seam

void injectFault(long callNumber, int error) {
    failingError = error;
    failingCall = callNumber;
    calls = 0;
}

void runBeforeCall(long callNumber, std::function<void()> action) {
    actionCall = 0;
    pendingAction = std::move(action);
    actionCall = pendingAction ? callNumber : 0;
    calls = 0;
}

long callsSinceInjection() {
    return calls.load();
}

void simulateSlowMedium(double bytesPerSecond) {
    slowMedium = bytesPerSecond;
}

}  // namespace morsela::sys
