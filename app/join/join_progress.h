#pragma once

#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>

#include "engine/observer.h"
#include "engine/stop_token.h"

class QObject;

namespace morsela {

// How the join window hears a join that runs on a worker thread: the bytes done go to the
// window's thread (at most ten times a second, and always the last), with the seconds since
// the start of the copy, or of the phase before it (rebuilding lost pieces) with the phase's
// name; notices are kept for the report. Each call onto the window's thread is carried out
// before the join goes on. It keeps the stop source whose token the join's request carries.
class JoinProgress : public Observer {
  public:
    // `phase` is empty for the copy itself.
    using Show = std::function<void(std::int64_t done, std::int64_t total, double seconds,
                                    const QString& phase)>;
    JoinProgress(QObject& window, Show show);

    // A join begins: the clock starts, no notices are kept.
    void begin();
    // The join is over: a stop asked for covered it, and the next join gets a token of its own.
    void end() { stop_ = StopSource(); }
    // The token for the request of the next join (or the one running).
    StopToken stopToken() const { return stop_.token(); }
    // Asks the running join to stop after its current block.
    void requestStop() { stop_.requestStop(); }
    bool stopAsked() const { return stop_.stopRequested(); }
    double seconds() const;
    // The notices of the last join, as "path: text".
    const QStringList& notices() const { return notices_; }

    void joinStarted(const JoinPlan& plan) override;
    void phaseStarted(Phase phase) override;
    void progressed(std::int64_t done, std::int64_t total) override;
    void notice(const Notice& notice) override;

  private:
    void show(std::int64_t done, std::int64_t total);

    QObject& window_;
    Show show_;
    StopSource stop_;
    QString phase_;  // written and read by the join's thread only while it runs
    std::chrono::steady_clock::time_point start_{};
    std::chrono::steady_clock::time_point phaseStart_{};
    std::chrono::steady_clock::time_point lastShown_{};
    QStringList notices_;  // written by the join's thread only while it runs
};

}  // namespace morsela
