#pragma once

#include <cstdio>

#include "split/progress.h"

namespace morsela {

// The split's progress and report on a terminal: the bar on standard error (only when that
// is a terminal), the report lines and the confirmation on standard output, failures on
// standard error.
class TerminalSurface : public ProgressSurface {
  public:
    TerminalSurface(std::FILE* out, std::FILE* err, bool drawBar, bool listFiles);

    void scale(double x1, double y1, double x2, double y2) override;
    void cls() override;
    void box(double x1, double y1, double x2, double y2, Colour colour) override;
    void print(const std::string& line) override;
    void messageBox(const std::string& prompt, const std::string& title, MessageKind kind) override;
    void fileWritten(const std::string& path) override;
    void notice(const std::string& text) override;

  private:
    void clearBar();

    std::FILE* out_;
    std::FILE* err_;
    bool drawBar_;
    bool listFiles_;
    bool barShown_ = false;
    double left_ = 0;
    double width_ = 100;
};

}  // namespace morsela
