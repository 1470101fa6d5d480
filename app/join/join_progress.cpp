#include "app/join/join_progress.h"

#include <QObject>
#include <QThread>

#include "app/controls/native_path.h"

namespace morsela {
namespace {

constexpr std::chrono::milliseconds kShownEvery(100);

}  // namespace

JoinProgress::JoinProgress(QObject& window, Show show) : window_(window), show_(std::move(show)) {}

void JoinProgress::begin() {
    stop_ = false;
    notices_.clear();
    start_ = std::chrono::steady_clock::now();
    lastShown_ = start_;
}

double JoinProgress::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void JoinProgress::joinStarted(const JoinPlan& plan) {
    show(0, plan.totalBytes);
}

void JoinProgress::progressed(std::int64_t done, std::int64_t total) {
    const auto now = std::chrono::steady_clock::now();
    if (done < total && now - lastShown_ < kShownEvery) {
        return;
    }
    lastShown_ = now;
    show(done, total);
}

void JoinProgress::notice(const Notice& notice) {
    notices_ << shownText(notice.path) + ": " + shownText(notice.text);
}

void JoinProgress::show(std::int64_t done, std::int64_t total) {
    const double elapsed = seconds();
    auto action = [this, done, total, elapsed] { show_(done, total, elapsed); };
    if (QThread::currentThread() == window_.thread()) {
        action();
    } else {
        QMetaObject::invokeMethod(&window_, action, Qt::BlockingQueuedConnection);
    }
}

}  // namespace morsela
