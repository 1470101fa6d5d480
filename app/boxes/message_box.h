#pragma once

#include <QMessageBox>

namespace morsela {

// A message box as the window shows them all: its texts shown exactly as given, never as
// rich text (they hold file names, which may look like markup), and wide enough for its
// whole title beside the window manager's buttons.
class MessageBox : public QMessageBox {
    Q_OBJECT
  public:
    MessageBox(Icon icon, const QString& title, const QString& text, StandardButtons buttons,
               QWidget* parent);

    // The text under the main text: the detail, such as the path and the reason.
    void setDetail(const QString& detail);

    // The width the title needs in the title bar, its buttons included.
    static int widthForTitle(const QString& title);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void keepLabelsPlain();

    QLayout* widened_ = nullptr;  // the layout that holds the spacer for the width
};

}  // namespace morsela
