#include "app/controls/picture_box.h"

#include <QAccessible>
#include <QPainter>

#include "app/controls/legibility.h"
#include "app/controls/picture_box_accessible.h"

namespace morsela {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    PictureBoxAccessible::install();
}

void PictureBox::scale(double x1, double y1, double x2, double y2) {
    left_ = x1;
    top_ = y1;
    right_ = x2;
    bottom_ = y2;
}

void PictureBox::cls() {
    fitImage();
    image_.fill(palette().color(QPalette::Base));
    const QString removed = lines_.join('\n');
    lines_.clear();
    textY_ = 0;
    if (!removed.isEmpty()) {
        QAccessibleTextRemoveEvent gone(this, 0, removed);
        QAccessible::updateAccessibility(&gone);
        QAccessibleEvent renamed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&renamed);
    }
    changed();
}

void PictureBox::box(double x1, double y1, double x2, double y2, const QColor& colour) {
    fitImage();
    QPainter painter(&image_);
    painter.fillRect(QRectF(toPixels(x1, y1), toPixels(x2, y2)).normalized(), colour);
    changed();
}

void PictureBox::print(const QString& text) {
    fitImage();
    QPainter painter(&image_);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    const QFontMetrics metrics(font());
    painter.drawText(2, textY_ + metrics.ascent(), text);
    textY_ += metrics.height();
    const auto at = static_cast<int>(lines_.join('\n').size());
    lines_ << text;
    QAccessibleTextInsertEvent added(this, at, lines_.size() > 1 ? "\n" + text : text);
    QAccessible::updateAccessibility(&added);
    QAccessibleEvent renamed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
    changed();
}

void PictureBox::setProgress(int percent) {
    if (percent == progress_) {
        return;
    }
    progress_ = percent;
    QAccessibleValueChangeEvent moved(this, percent);
    QAccessible::updateAccessibility(&moved);
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    fitImage();
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), image_);
    if (hasFocus()) {  // QWidget repaints on every change of focus
        drawFocusFrame(painter, rect(), *this);
    }
}

// The backing image has the screen's own pixels: at a scale factor of 2 it is drawn at
// twice the size, so the bar and the text stay sharp.
void PictureBox::fitImage() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(contentsRect().size()) * ratio).toSize();
    if (image_.size() == pixels && image_.devicePixelRatio() == ratio) {
        return;
    }
    QImage resized(pixels, QImage::Format_RGB32);
    resized.setDevicePixelRatio(ratio);
    resized.fill(palette().color(QPalette::Base));
    QPainter(&resized).drawImage(0, 0, image_);
    image_ = resized;
}

QPointF PictureBox::toPixels(double x, double y) const {
    const QSizeF size = image_.deviceIndependentSize();
    return {(x - left_) / (right_ - left_) * size.width(),
            (y - top_) / (bottom_ - top_) * size.height()};
}

void PictureBox::changed() {
    update();
    emit drawn();
}

}  // namespace morsela
