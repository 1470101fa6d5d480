#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "engine/error.h"
#include "engine/observer.h"
#include "engine/stop_token.h"

namespace morsela {

// A split's, join's or verify's progress on a terminal, in the command line's own words: the
// bar on standard error (only when that is a terminal), the files written (-v) and the
// summary on standard output, and failures and notices as one line each on standard error.
// Every name and line it prints has its control characters escaped (printable.h).
//
// A write to standard output that fails (a reader that went away: EPIPE) requests a stop
// through the observer's stop source, whose token the request carries, so that the engine
// removes what it left incomplete; outputError() then tells.
class TerminalObserver : public Observer {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    struct Settings {
        bool drawBar = false;       // standard error is a terminal
        bool listFiles = false;     // -v: every file written
        bool quiet = false;         // -q: nothing but errors
        bool announceJoin = false;  // say where a join's target goes before writing it
        bool force = false;         // --force: replace another file's split in the way
    };
    TerminalObserver(std::FILE* out, std::FILE* err, Settings settings,
                     Clock clock = std::chrono::steady_clock::now);
    ~TerminalObserver() override;

    void splitStarted(const SplitPlan& plan) override;
    void joinStarted(const JoinPlan& plan) override;
    void progressed(std::int64_t done, std::int64_t total) override;
    void fileWritten(const std::string& path) override;
    void notice(const Notice& notice) override;
    void phaseStarted(Phase phase) override;
    bool replaceOtherSplit(const OtherSplit& other);

    // The one line that ends a job that succeeded: "morsela: " and `text`, unless quiet.
    void finished(const std::string& text);
    // "morsela: PATH: reason" on standard error, or the reason alone without a path.
    void failed(const Error& error);
    // The time since the observer was made, as the summary shows it: "3.4 s", "1:05".
    std::string elapsed() const;
    // The system's error number of the write to standard output that failed; 0 if none did.
    int outputError() const { return outputError_; }
    // The stop source of this run: its token goes into the request, and stop signals request
    // a stop through it while the engine runs (Command::runEngine).
    const StopSource& stopSource() const { return stop_; }

  private:
    void say(std::FILE* file, const std::string& line);
    void startCopy();
    void clearBar();

    std::FILE* out_;
    std::FILE* err_;
    Settings settings_;
    Clock clock_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point copyStarted_;
    std::chrono::steady_clock::time_point drawn_;  // when the bar was last drawn
    int columns_ = 0;                              // the terminal's width, once known
    bool barShown_ = false;
    int outputError_ = 0;
    StopSource stop_;
    std::string phase_;                   // what the bar is of, when not the copy: "rebuilding: "
    std::optional<OtherSplit> declined_;  // another file's split kept for want of --force
};

}  // namespace morsela
