#include "app/window_observer.h"

#include <QPushButton>
#include <QThread>
#include <cstdio>

#include "app/boxes/error_box.h"
#include "app/boxes/message_box.h"
#include "app/controls/native_path.h"
#include "app/controls/picture_box.h"
#include "engine/os/directory.h"

namespace morsela {
namespace {

const QColor kBarColour(255, 0, 0);  // pure red

}  // namespace

QString reportNumber(float seconds) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.7G", static_cast<double>(seconds));
    return (seconds < 0 ? "" : " ") + QString(digits) + " ";
}

WindowObserver::WindowObserver(PictureBox& pic1, QWidget& window) : pic1_(pic1), window_(window) {}

template <typename Action>
void WindowObserver::onWindowThread(Action action) {
    if (QThread::currentThread() == window_.thread()) {
        action();
    } else {
        QMetaObject::invokeMethod(&window_, action, Qt::BlockingQueuedConnection);
    }
}

void WindowObserver::begin() {
    stop_ = StopSource();
    declined_ = false;
    written_.clear();
    startTime_ = std::chrono::steady_clock::now();
}

// The bar's scale: a hundred steps across and five down, cleared, starting at step 1.
void WindowObserver::splitStarted(const SplitPlan& /*plan*/) {
    nextStep_ = 1;
    onWindowThread([this] {
        pic1_.scale(0, 0, 100, 5);
        pic1_.cls();
        pic1_.setProgress(0);
    });
}

// Draws the bar up to the hundredths copied so far, once for each new hundredth reached (at
// most 100 draws a split). An empty source fills the bar.
void WindowObserver::progressed(std::int64_t done, std::int64_t total) {
    {
        std::unique_lock lock(answerMutex_);
        answered_.wait(lock, [this] { return !asking_; });
    }
    int reached = 100;
    if (total > 0) {
        // 100 x done needs more than 64 bits for the largest files.
        __extension__ using Wide = unsigned __int128;
        reached = static_cast<int>(Wide(done) * 100 / Wide(total));
    }
    if (reached < nextStep_) {
        return;
    }
    nextStep_ = reached + 1;
    onWindowThread([this, reached] {
        pic1_.setProgress(reached);
        pic1_.box(0, 0, reached, 5, kBarColour);
    });
}

void WindowObserver::fileWritten(const std::string& path) {
    written_.add(path);
}

void WindowObserver::notice(const Notice& notice) {
    const QString text = shownText(notice.path) + ": " + shownText(notice.text);
    onWindowThread([&] { notices_ += (notices_.isEmpty() ? "" : "\n") + text; });
}

void WindowObserver::completed() {
    // A monotonic clock: the time is never negative, also across midnight.
    const std::chrono::duration<float> elapsed = std::chrono::steady_clock::now() - startTime_;
    onWindowThread([&] {
        pic1_.cls();
        pic1_.print("Time it took to split");
        pic1_.print(reportNumber(elapsed.count()));
        MessageBox box(QMessageBox::Information, "Split Confirmation", "Files Split",
                       QMessageBox::Ok, &window_);
        box.setDetail(notices_);
        notices_.clear();
        box.exec();
    });
}

void WindowObserver::failed(const Error& error) {
    onWindowThread([&] {
        notices_.clear();
        if (declined_ && error.kind() == Error::Kind::Refused) {
            return;  // the user said No to replacing another split: nothing more to say
        }
        if (error.kind() != Error::Kind::Stopped) {
            showErrorBox(&window_, error);
            return;
        }
        MessageBox box(QMessageBox::Information, "Split Stopped", "The split was stopped",
                       QMessageBox::Ok, &window_);
        box.setDetail(shownText(error.what()));
        QAbstractButton* remove = nullptr;
        if (written_.count() > 0) {
            remove = box.addButton("&Remove Pieces", QMessageBox::DestructiveRole);
            box.setDetail(shownText(error.what()) + "\nRemove Pieces removes them; OK keeps them.");
        }
        box.exec();
        if (remove != nullptr && box.clickedButton() == remove) {
            removeWrittenPieces();
        }
    });
}

void WindowObserver::removeWrittenPieces() {
    try {
        written_.removeAll();
    } catch (const Error& failure) {
        showErrorBox(&window_, failure);
    }
}

bool WindowObserver::askToStop() {
    {
        const std::lock_guard lock(answerMutex_);
        if (asking_ || stop_.stopRequested()) {
            return false;
        }
        asking_ = true;
    }
    MessageBox box(QMessageBox::Question, "Stop Split", "Stop the split?",
                   QMessageBox::Yes | QMessageBox::No, &window_);
    box.setDetail(
        "The piece being written is removed; the whole pieces stay, without a "
        "rejoin script.");
    box.setDefaultButton(QMessageBox::No);
    const bool yes = box.exec() == QMessageBox::Yes;
    if (yes) {
        requestStop();  // before the split waiting for the answer can see it
    }
    {
        const std::lock_guard lock(answerMutex_);
        asking_ = false;
    }
    answered_.notify_all();
    return yes;
}

bool WindowObserver::replaceOtherSplit(const OtherSplit& other) {
    const QString what = other.target.empty() ? shownText(fileNameOf(other.script))
                                              : "the pieces of " + shownText(other.target);
    bool yes = false;
    onWindowThread([&] {
        MessageBox box(QMessageBox::Question, "Replace Pieces", "Replace " + what + "?",
                       QMessageBox::Yes | QMessageBox::No, &window_);
        box.setDetail(shownText(other.script) + (other.target.empty()
                                                     ? " is there and is no rejoin script."
                                                     : " rebuilds " + shownText(other.target) +
                                                           "; its pieces have the names this "
                                                           "split gives its own."));
        box.setDefaultButton(QMessageBox::No);
        yes = box.exec() == QMessageBox::Yes;
    });
    declined_ = !yes;
    return yes;
}

}  // namespace morsela
