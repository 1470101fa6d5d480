#pragma once

#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "app/written_pieces.h"
#include "engine/error.h"
#include "engine/observer.h"
#include "engine/stop_token.h"

class QWidget;

namespace morsela {

class PictureBox;

// How the window shows a split: a red bar in pic1 that grows by hundredths of the source
// (and pic1's progress value with it), then the time it took in pic1 and a "Files Split"
// box; failures in an error box; the question whether to stop, and what a stop left. The
// split runs on a worker thread; every call is carried out on the window's thread, in
// order, before it returns.
class WindowObserver : public Observer {
  public:
    WindowObserver(PictureBox& pic1, QWidget& window);

    // A split begins: the clock starts, and a new stop source, not yet asked to stop, gives
    // the token its request carries (stopToken()).
    void begin();
    StopToken stopToken() const { return stop_.token(); }
    // Asks a running split to stop after its current block.
    void requestStop() { stop_.requestStop(); }
    // Asks the user "Stop the split?"; on Yes, asks the split to stop and returns true. While
    // the question is open the split waits after its current block (in progressed(), which
    // the split calls after every block just before it looks at its stop token), so that
    // nothing more is written until the user has answered; a second question meanwhile is
    // not asked.
    bool askToStop();

    void splitStarted(const SplitPlan& plan) override;
    // Waits while the question whether to stop is open, then draws the bar.
    void progressed(std::int64_t done, std::int64_t total) override;
    // Keeps each whole piece, so that a stopped split's can be removed from its box.
    void fileWritten(const std::string& path) override;
    // Shown under the next confirmation; a stopped split's, with the window closing, goes to
    // standard error.
    void notice(const Notice& notice) override;
    // Asks "Replace the pieces of holiday.mkv?" (Yes / No) before the split writes anything.
    bool replaceOtherSplit(const OtherSplit& other);

    // The report once the split is done: "Time it took to split", the seconds, and the box.
    void completed();
    // A failure in an error box; a stop, in a box that says what was left and offers to
    // remove the whole pieces.
    void failed(const Error& error);

  private:
    template <typename Action>
    void onWindowThread(Action action);
    void removeWrittenPieces();

    PictureBox& pic1_;
    QWidget& window_;
    StopSource stop_;  // replaced only by begin(), before the split's thread starts
    std::chrono::steady_clock::time_point startTime_{};
    int nextStep_ = 1;  // the next hundredth of the bar to draw
    QString notices_;
    std::mutex answerMutex_;
    std::condition_variable answered_;
    bool asking_ = false;    // guarded by answerMutex_
    bool declined_ = false;  // the user would not replace another split
    WrittenPieces written_;  // the split's whole pieces; written by its thread while it runs
};

// Seconds as the report prints numbers: up to seven significant digits, a blank before a
// number that is not negative and one blank after it.
QString reportNumber(float seconds);

}  // namespace morsela
