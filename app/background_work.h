#pragma once

#include <functional>

class QWidget;

namespace morsela {

// Runs `work` on a worker thread and returns when it is done, and not while a box opened
// meanwhile is still open. Meanwhile the event loop runs: the window repaints, its enabled
// controls take input, and the work may call onto the window's thread (to draw).
void runWhileWindowWaits(QWidget& window, const std::function<void()>& work);

}  // namespace morsela
