#include "app/controls/picture_box_accessible.h"

#include "app/controls/picture_box.h"

namespace morsela {
namespace {

QAccessibleInterface* pictureBoxFactory(const QString& className, QObject* object) {
    auto* box = qobject_cast<PictureBox*>(object);
    if (box != nullptr && className == PictureBox::staticMetaObject.className()) {
        return new PictureBoxAccessible(box);
    }
    return nullptr;
}

}  // namespace

PictureBoxAccessible::PictureBoxAccessible(PictureBox* box) : QAccessibleWidget(box) {}

void PictureBoxAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(pictureBoxFactory);
        return true;
    }();
    (void)installed;
}

const PictureBox& PictureBoxAccessible::box() const {
    return *static_cast<const PictureBox*>(widget());
}

bool PictureBoxAccessible::showsText() const {
    return !box().printedLines().isEmpty();
}

QString PictureBoxAccessible::printed() const {
    return box().printedLines().join('\n');
}

QAccessible::Role PictureBoxAccessible::role() const {
    return showsText() ? QAccessible::StaticText : QAccessible::ProgressBar;
}

// As static text its name is what it shows, as a label's is; as a progress indicator it is
// the box's accessible name, and its value the share in per cent.
QString PictureBoxAccessible::text(QAccessible::Text which) const {
    if (which == QAccessible::Name && showsText()) {
        return printed();
    }
    if (which == QAccessible::Value) {
        return showsText() ? printed() : QString::number(box().progress()) + "%";
    }
    return QAccessibleWidget::text(which);
}

void* PictureBoxAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface && !showsText()) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    if (type == QAccessible::TextInterface && showsText()) {
        return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QVariant PictureBoxAccessible::currentValue() const {
    return box().progress();
}
void PictureBoxAccessible::setCurrentValue(const QVariant& /*value*/) {}  // it only shows
QVariant PictureBoxAccessible::maximumValue() const {
    return 100;
}
QVariant PictureBoxAccessible::minimumValue() const {
    return 0;
}
QVariant PictureBoxAccessible::minimumStepSize() const {
    return 1;
}

QString PictureBoxAccessible::text(int startOffset, int endOffset) const {
    return printed().mid(startOffset, endOffset - startOffset);
}
int PictureBoxAccessible::characterCount() const {
    return static_cast<int>(printed().size());
}
void PictureBoxAccessible::selection(int /*selectionIndex*/, int* startOffset,
                                     int* endOffset) const {
    *startOffset = 0;
    *endOffset = 0;
}
int PictureBoxAccessible::selectionCount() const {
    return 0;
}
void PictureBoxAccessible::addSelection(int /*startOffset*/, int /*endOffset*/) {}
void PictureBoxAccessible::removeSelection(int /*selectionIndex*/) {}
void PictureBoxAccessible::setSelection(int /*selectionIndex*/, int /*startOffset*/,
                                        int /*endOffset*/) {}
int PictureBoxAccessible::cursorPosition() const {
    return 0;
}
void PictureBoxAccessible::setCursorPosition(int /*position*/) {}
QRect PictureBoxAccessible::characterRect(int /*offset*/) const {
    return rect();  // the lines are drawn into an image; the box is the closest rectangle
}
int PictureBoxAccessible::offsetAtPoint(const QPoint& /*point*/) const {
    return -1;
}
void PictureBoxAccessible::scrollToSubstring(int /*startIndex*/, int /*endIndex*/) {}
QString PictureBoxAccessible::attributes(int /*offset*/, int* startOffset, int* endOffset) const {
    *startOffset = 0;  // one run of text without attributes
    *endOffset = characterCount();
    return {};
}

}  // namespace morsela
