#pragma once

#include <functional>

class QWidget;

namespace morsela {

// Runs `work` on a worker thread and returns when it is done. Meanwhile the window repaints
// and the work may call onto the window's thread (to draw, or to show a message box), but
// the window takes no mouse or keyboard input.
void runWhileWindowWaits(QWidget& window, const std::function<void()>& work);

}  // namespace morsela
