#pragma once

#include <QStringList>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "engine/observer.h"

class QObject;

namespace morsela {

// How the join window hears a join that runs on a worker thread: the bytes done go to the
// window's thread (at most ten times a second, and always the last), with the seconds since
// the start; a stop asked for is heard after the current block; notices are kept for the
// report. Each call onto the window's thread is carried out before the join goes on.
class JoinProgress : public Observer {
  public:
    using Show = std::function<void(std::int64_t done, std::int64_t total, double seconds)>;
    JoinProgress(QObject& window, Show show);

    // A join begins: the clock starts, no stop is asked for, no notices are kept.
    void begin();
    // Asks the running join to stop after its current block.
    void requestStop() { stop_ = true; }
    bool stopAsked() const { return stop_; }
    double seconds() const;
    // The notices of the last join, as "path: text".
    const QStringList& notices() const { return notices_; }

    void joinStarted(const JoinPlan& plan) override;
    void progressed(std::int64_t done, std::int64_t total) override;
    void notice(const Notice& notice) override;
    bool stopRequested() override { return stop_; }

  private:
    void show(std::int64_t done, std::int64_t total);

    QObject& window_;
    Show show_;
    std::atomic<bool> stop_{false};
    std::chrono::steady_clock::time_point start_{};
    std::chrono::steady_clock::time_point lastShown_{};
    QStringList notices_;  // written by the join's thread only while it runs
};

}  // namespace morsela
