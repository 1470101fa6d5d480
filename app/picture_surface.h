#pragma once

#include <atomic>

#include "split/progress.h"

class QWidget;

namespace morsela {

class PictureBox;

// The split's progress surface in the window: the bar and the report in the picture box,
// the confirmation and failures in message boxes over the window. The split runs on a worker
// thread; every call is carried out on the window's thread, in order, before it returns.
class PictureSurface : public ProgressSurface {
  public:
    PictureSurface(PictureBox& pic1, QWidget& window);

    void scale(double x1, double y1, double x2, double y2) override;
    void cls() override;
    void box(double x1, double y1, double x2, double y2, Colour colour) override;
    void print(const std::string& line) override;
    void messageBox(const std::string& prompt, const std::string& title, MessageKind kind) override;
    void failed(const SplitError& error) override;
    bool stopRequested() override { return stop_; }
    // Shown under the next confirmation; a stopped split's, with the window closing, goes
    // to standard error.
    void notice(const std::string& text) override;

    // Asks a running split to stop after its current block; cleared by the next split.
    void requestStop() { stop_ = true; }
    void clearStop() { stop_ = false; }

  private:
    template <typename Action>
    void onWindowThread(Action action);

    PictureBox& pic1_;
    QWidget& window_;
    std::atomic<bool> stop_{false};
    std::string notices_;
};

}  // namespace morsela
