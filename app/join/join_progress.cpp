#include "app/join/join_progress.h"

#include <QObject>
#include <QThread>

#include "app/controls/native_path.h"
#include "words/phase_name.h"

namespace morsela {
namespace {

constexpr std::chrono::milliseconds kShownEvery(100);

}  // namespace

JoinProgress::JoinProgress(QObject& window, Show show) : window_(window), show_(std::move(show)) {}

void JoinProgress::begin() {
    notices_.clear();
    phase_.clear();
    start_ = std::chrono::steady_clock::now();
    phaseStart_ = start_;
    lastShown_ = start_;
}

double JoinProgress::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void JoinProgress::joinStarted(const JoinPlan& plan) {
    phase_.clear();
    phaseStart_ = std::chrono::steady_clock::now();
    show(0, plan.totalBytes);
}

// The bar starts again under the phase's name, its rate counted from now.
void JoinProgress::phaseStarted(Phase phase) {
    phase_ = QString::fromUtf8(phaseName(phase));
    phase_[0] = phase_[0].toUpper();
    phaseStart_ = std::chrono::steady_clock::now();
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
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - phaseStart_).count();
    auto action = [this, done, total, elapsed, phase = phase_] {
        show_(done, total, elapsed, phase);
    };
    if (QThread::currentThread() == window_.thread()) {
        action();
    } else {
        QMetaObject::invokeMethod(&window_, action, Qt::BlockingQueuedConnection);
    }
}

}  // namespace morsela
