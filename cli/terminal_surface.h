#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "split/progress.h"

namespace morsela {

// A split's or join's progress and report on a terminal: the bar on standard error (only
// when that is a terminal), the report lines and the confirmation on standard output unless
// quiet, and failures, notices and warnings as one line each on standard error.
class TerminalSurface : public ProgressSurface {
  public:
    struct Settings {
        bool drawBar = false;    // standard error is a terminal
        bool listFiles = false;  // -v: every file written
        bool quiet = false;      // -q: nothing on standard output
    };
    TerminalSurface(std::FILE* out, std::FILE* err, Settings settings);

    // The window's bar and box have no place here; the terminal draws from byte counts.
    void scale(double, double, double, double) override {}
    void cls() override;
    void box(double, double, double, double, Colour) override {}
    void print(const std::string& line) override;
    void messageBox(const std::string& prompt, const std::string& title, MessageKind kind) override;
    void failed(const SplitError& error) override;
    void starting(std::int64_t pieces, std::int64_t pieceSize) override;
    void progressBytes(std::int64_t done, std::int64_t total) override;
    bool stopRequested() override;
    void fileWritten(const std::string& path) override;
    void notice(const std::string& text) override;

  private:
    void clearBar();

    std::FILE* out_;
    std::FILE* err_;
    Settings settings_;
    bool barShown_ = false;
    int percentShown_ = -1;
    bool timeLineNext_ = false;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

// Sizes for people: "512 bytes", "1.5 KiB", "4.0 GiB".
std::string humanBytes(double bytes);

}  // namespace morsela
