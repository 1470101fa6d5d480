#pragma once

#include <atomic>
#include <memory>

namespace morsela {

// How a front end asks a running split, join or verify to stop: it keeps a StopSource and
// puts a token of it into the request. The engine looks at the token after every block (and
// every portion of the recovery work), and a job whose token says stop ends there and fails
// as Stopped. A source and its tokens share one flag, so a token stays valid however long it
// is kept; requesting a stop only stores into a lock-free atomic, so that a signal handler may
// do it.
class StopToken {
  public:
    // A token that never says stop.
    StopToken() = default;

    bool stopRequested() const noexcept { return flag_ && flag_->load(std::memory_order_acquire); }

  private:
    friend class StopSource;
    explicit StopToken(std::shared_ptr<const std::atomic<bool>> flag) : flag_(std::move(flag)) {}

    std::shared_ptr<const std::atomic<bool>> flag_;
};

class StopSource {
  public:
    StopSource() : flag_(std::make_shared<std::atomic<bool>>(false)) {}

    StopToken token() const { return StopToken(flag_); }
    // Async-signal-safe: one store.
    void requestStop() const noexcept { flag_->store(true, std::memory_order_release); }
    bool stopRequested() const noexcept { return flag_->load(std::memory_order_acquire); }

  private:
    static_assert(std::atomic<bool>::is_always_lock_free);
    std::shared_ptr<std::atomic<bool>> flag_;
};

}  // namespace morsela
