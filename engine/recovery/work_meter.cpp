#include "engine/recovery/work_meter.h"

#include <algorithm>
#include <utility>

namespace morsela::recovery {

WorkMeter::WorkMeter(Observer& observer, StopToken stop, Phase phase, Error stopped)
    : observer_(&observer), stop_(std::move(stop)), phase_(phase), stopped_(std::move(stopped)) {}

void WorkMeter::start(std::int64_t total) {
    total_ = total;
    done_ = 0;
    if (observer_ != nullptr) {
        observer_->phaseStarted(phase_);
        observer_->progressed(0, total_);
    }
    checkStop();
}

void WorkMeter::add(std::int64_t bytes) {
    // One counter for all threads: the counts the job's thread reads never go back.
    const std::int64_t done = done_.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    if (observer_ != nullptr && std::this_thread::get_id() == owner_) {
        observer_->progressed(std::min(done, total_), total_);
    }
    checkStop();
}

void WorkMeter::checkStop() const {
    if (stop_.stopRequested()) {
        throw stopped_;
    }
}

}  // namespace morsela::recovery
