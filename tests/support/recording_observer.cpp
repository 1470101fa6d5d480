#include "tests/support/recording_observer.h"

namespace morsela::test {

void RecordingObserver::progressed(std::int64_t done, std::int64_t total) {
    progress.emplace_back(done, total);
    ++checks;
    if (onCheck) {
        onCheck(checks);
    }
    if (checks == stopAfterChecks) {
        stopper.requestStop();
    }
}

}  // namespace morsela::test
