#include "app/background_work.h"

#include <QCoreApplication>
#include <QWidget>
#include <atomic>
#include <thread>

#include "app/input_blocker.h"

namespace morsela {

void runWhileWindowWaits(QWidget& window, const std::function<void()>& work) {
    InputBlocker blocker(window);
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        work();
        finished = true;
        QMetaObject::invokeMethod(
            &window, [] {}, Qt::QueuedConnection);  // wakes the wait
    });
    // Not a nested event loop: a quit of the application must not end the wait while the
    // worker still needs this thread for its drawing and its message boxes.
    while (!finished) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    worker.join();
}

}  // namespace morsela
