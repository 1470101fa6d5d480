#include "app/background_work.h"

#include <QCoreApplication>
#include <QWidget>
#include <atomic>
#include <thread>

namespace morsela {

void runWhileWindowWaits(QWidget& window, const std::function<void()>& work) {
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        work();
        finished = true;
        QMetaObject::invokeMethod(
            &window, [] {}, Qt::QueuedConnection);  // wakes the wait
    });
    // Not a nested event loop: a quit of the application must not end the wait while the
    // worker still needs this thread for its drawing. A box opened meanwhile (the question
    // whether to stop) keeps this loop waiting until it closes.
    while (!finished) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    worker.join();
}

}  // namespace morsela
