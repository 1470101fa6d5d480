#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "split/error.h"
#include "split/observer.h"

namespace morsela {

// A split's, join's or verify's progress on a terminal, in the command line's own words:
// the bar on standard error (only when that is a terminal), the files written (-v) and the
// summary on standard output unless quiet, and failures and notices as one line each on
// standard error.
class TerminalObserver : public Observer {
  public:
    struct Settings {
        bool drawBar = false;    // standard error is a terminal
        bool listFiles = false;  // -v: every file written
        bool quiet = false;      // -q: nothing on standard output
        bool force = false;      // --force: replace another file's split in the way
    };
    TerminalObserver(std::FILE* out, std::FILE* err, Settings settings);

    void splitStarted(const SplitPlan& plan) override;
    void joinStarted(const JoinPlan& plan) override;
    void progressed(std::int64_t done, std::int64_t total) override;
    void fileWritten(const std::string& path) override;
    void notice(const Notice& notice) override;
    bool stopRequested() override;
    bool replaceOtherSplit(const OtherSplit& /*other*/) override { return settings_.force; }

    // The one line that ends a job that succeeded: "morsela: " and `text`.
    void finished(const std::string& text);
    // "morsela: PATH: reason" on standard error.
    void failed(const Error& error);
    // The seconds since the observer was made, as the summary shows them: "3.4 s".
    std::string elapsed() const;

  private:
    void clearBar();

    std::FILE* out_;
    std::FILE* err_;
    Settings settings_;
    bool barShown_ = false;
    int percentShown_ = -1;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

// Sizes for people: "512 bytes", "1.5 KiB", "4 GiB".
std::string humanBytes(double bytes);

// "1 piece", "12 pieces".
std::string countOf(std::int64_t count, const char* one, const char* many);

}  // namespace morsela
