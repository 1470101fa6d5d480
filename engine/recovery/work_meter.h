#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "engine/error.h"
#include "engine/observer.h"
#include "engine/stop_token.h"

namespace morsela::recovery {

// The bytes that one phase of recovery work has read, counted on every thread that reads and
// told to the observer from the thread the job runs on (observers hear nothing from others);
// a stop asked for ends the work at the next portion read, on whichever thread reads it. A
// meter made without an observer counts and never stops.
class WorkMeter {
  public:
    WorkMeter() = default;
    // `stopped` is the failure a stop ends the work with.
    WorkMeter(Observer& observer, StopToken stop, Phase phase, Error stopped);
    WorkMeter(const WorkMeter&) = delete;
    WorkMeter& operator=(const WorkMeter&) = delete;

    // The work begins: the observer hears the phase, and that none of `total` bytes is read.
    void start(std::int64_t total);
    // Any thread: `bytes` more were read. On the job's thread the observer hears the count.
    // Throws the stop's Error once the token says stop.
    void add(std::int64_t bytes);
    // The job's thread, once the work is done on every thread: the observer hears the count,
    // and a stop asked for meanwhile still ends the work.
    void finish() { add(0); }
    // Throws the stop's Error once the token says stop.
    void checkStop() const;

  private:
    Observer* observer_ = nullptr;
    StopToken stop_;
    Phase phase_ = Phase::WritingRecovery;
    Error stopped_{Error::Kind::Stopped, "", "stopped"};
    std::thread::id owner_ = std::this_thread::get_id();
    std::int64_t total_ = 0;
    std::atomic<std::int64_t> done_{0};
};

}  // namespace morsela::recovery
