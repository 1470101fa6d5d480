#pragma once

#include <QPushButton>

namespace morsela {

// A push button as the platform's command buttons behave: pressed by the mouse, by Space or
// Enter while it has the focus, or by its access key. It is never a default button, so Enter
// in a text field presses nothing.
class CommandButton : public QPushButton {
    Q_OBJECT
  public:
    CommandButton(const QString& caption, QWidget* parent);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace morsela
