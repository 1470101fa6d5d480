#include "tests/support/recording_observer.h"

namespace morsela::test {

bool RecordingObserver::stopRequested() {
    ++checks;
    if (onCheck) {
        onCheck(checks);
    }
    return checks == stopAfterChecks;
}

}  // namespace morsela::test
