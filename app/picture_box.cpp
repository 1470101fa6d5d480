#include "app/picture_box.h"

#include <QPainter>

namespace morsela {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
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
    lines_.clear();
    textY_ = 0;
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
    lines_ << text;
    changed();
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    fitImage();
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), image_);
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
