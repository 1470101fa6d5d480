#pragma once

#include <functional>
#include <string>
#include <vector>

#include "split/progress.h"

namespace morsela::test {

// A progress surface that remembers everything the split drew, printed and showed.
class RecordingSurface : public ProgressSurface {
  public:
    struct Message {
        std::string prompt;
        std::string title;
        MessageKind kind;
    };

    void scale(double x1, double y1, double x2, double y2) override;
    void cls() override;
    void box(double x1, double y1, double x2, double y2, Colour colour) override;
    void print(const std::string& line) override;
    void messageBox(const std::string& prompt, const std::string& title, MessageKind kind) override;
    bool stopRequested() override;
    void fileWritten(const std::string& path) override;
    void notice(const std::string& text) override { notices.push_back(text); }

    // The headline of the one error box shown, or "" when none was.
    std::string errorHeadline() const;

    std::vector<double> scaleCorners;
    int clears = 0;
    std::vector<double> barEnds;  // the right edge of every box drawn
    std::vector<Colour> barColours;
    std::vector<std::string> lines;  // printed since the last clear
    std::vector<Message> messages;
    std::vector<std::string> written;
    std::vector<std::string> notices;
    int stopAfterChecks = -1;          // ask to stop at this check (counted from 1); -1 never
    std::function<void(int)> onCheck;  // called after every block with the check's number
    int checks = 0;
};

}  // namespace morsela::test
