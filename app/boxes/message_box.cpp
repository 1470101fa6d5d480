#include "app/boxes/message_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QSpacerItem>
#include <algorithm>

namespace morsela {
namespace {

// Room a title bar takes besides the title: the window icon and up to three buttons, with
// the padding between them, at the size of the application's font.
constexpr double kTitleBarButtonsInLines = 7.0;
// A detail such as a long path wraps at no fewer characters than this.
constexpr int kShortestLine = 48;

}  // namespace

MessageBox::MessageBox(Icon icon, const QString& title, const QString& text,
                       StandardButtons buttons, QWidget* parent)
    : QMessageBox(icon, title, text, buttons, parent) {
    setTextFormat(Qt::PlainText);
}

void MessageBox::setDetail(const QString& detail) {
    setInformativeText(detail);
    keepLabelsPlain();
}

int MessageBox::widthForTitle(const QString& title) {
    // Window managers often draw titles larger and bold: measure generously.
    QFont font = QApplication::font();
    font.setBold(true);
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * 1.2);
    } else {
        font.setPixelSize(font.pixelSize() * 6 / 5);
    }
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(title) +
           static_cast<int>(kTitleBarButtonsInLines * metrics.height());
}

// Every label of the box shows its text literally and opens no link. Qt makes the label of
// the detail when it is set, taking a text that looks like markup for rich text.
void MessageBox::keepLabelsPlain() {
    for (QLabel* label : findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setOpenExternalLinks(false);
    }
}

// Qt sizes a box for its texts, wrapping the detail narrowly, and lays it out anew whenever a
// text or a button changes; once all is set, a spacer across the bottom makes it as wide as
// its title, and wide enough for lines that read well.
void MessageBox::showEvent(QShowEvent* event) {
    keepLabelsPlain();
    auto* grid = qobject_cast<QGridLayout*>(layout());
    if (grid != nullptr && grid != widened_) {
        const int width = std::max(widthForTitle(windowTitle()),
                                   kShortestLine * fontMetrics().averageCharWidth());
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
        widened_ = grid;
    }
    QMessageBox::showEvent(event);
}

}  // namespace morsela
