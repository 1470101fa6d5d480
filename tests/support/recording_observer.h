#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/error.h"
#include "engine/observer.h"
#include "engine/stop_token.h"

namespace morsela::test {

// An observer that remembers every event the engine sent, and keeps a stop source for the
// request: the engine looks at its token after every block, just after telling the observer
// of the bytes done, and each such report counts as a check.
class RecordingObserver : public Observer {
  public:
    void splitStarted(const SplitPlan& plan) override { splitPlans.push_back(plan); }
    void joinStarted(const JoinPlan& plan) override {
        joinPlans.push_back(plan);
        phases.emplace_back(std::nullopt, progress.size());
    }
    void phaseStarted(Phase phase) override { phases.emplace_back(phase, progress.size()); }
    // Records the bytes done, and requests the stop at check `stopAfterChecks`.
    void progressed(std::int64_t done, std::int64_t total) override;
    void fileWritten(const std::string& path) override { written.push_back(path); }
    void notice(const Notice& notice) override {
        notices.push_back(notice.path + ": " + notice.text);
    }
    StopToken stopToken() const { return stopper.token(); }

    std::vector<SplitPlan> splitPlans;
    // Each phase begun (none for the copy of a join), with the number of progress reports
    // before it.
    std::vector<std::pair<std::optional<Phase>, std::size_t>> phases;
    std::vector<JoinPlan> joinPlans;
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;  // done, total
    std::vector<std::string> written;
    std::vector<std::string> notices;  // "path: text"
    int stopAfterChecks = -1;          // ask to stop at this check (counted from 1); -1 never
    std::function<void(int)> onCheck;  // called after every block with the check's number
    int checks = 0;
    StopSource stopper;
};

// What one call of the engine gave: its outcome, or the error it threw.
template <typename Outcome>
struct Attempt {
    std::optional<Outcome> outcome;
    std::optional<Error> error;

    // The error's kind; fails the test when the call succeeded.
    Error::Kind kind() const;
    // "path: reason" of the error, or "" when the call succeeded.
    std::string text() const { return error ? error->what() : ""; }
};

template <typename Call>
auto attempt(Call call) -> Attempt<decltype(call())> {
    try {
        return {call(), std::nullopt};
    } catch (const Error& error) {
        return {std::nullopt, error};
    }
}

template <typename Outcome>
Error::Kind Attempt<Outcome>::kind() const {
    if (!error) {
        throw std::logic_error("the call succeeded; it has no error kind");
    }
    return error->kind();
}

}  // namespace morsela::test
