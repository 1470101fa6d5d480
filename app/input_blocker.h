#pragma once

#include <QObject>

class QWidget;

namespace morsela {

// While it lives, keeps mouse, keyboard and shortcut input from reaching a window's controls,
// so that nothing the user does interferes with a running split. The window still repaints,
// other windows (message boxes) still take input, and closing the window still works.
class InputBlocker : public QObject {
  public:
    explicit InputBlocker(QWidget& window);
    ~InputBlocker() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget& window_;
};

}  // namespace morsela
