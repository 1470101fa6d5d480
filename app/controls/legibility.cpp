#include "app/controls/legibility.h"

#include <QPainter>
#include <QPalette>
#include <QWidget>
#include <cmath>

namespace morsela {

void drawFocusFrame(QPainter& painter, const QRect& rect, const QWidget& control) {
    constexpr int kWidth = 2;
    QPen pen(control.palette().color(QPalette::Active, QPalette::Highlight), kWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.save();
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(
        QRectF(rect).adjusted(kWidth / 2.0, kWidth / 2.0, -kWidth / 2.0, -kWidth / 2.0));
    painter.restore();
}

namespace {

double channel(double value) {
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour) {
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& text, const QColor& background, double ratio) {
    const QColor towards = luminance(background) > 0.18 ? Qt::black : Qt::white;
    QColor colour = text;
    // A hundred steps from the colour to black (or white); the last is the most readable.
    for (int step = 1; step <= 100 && contrastRatio(colour, background) < ratio; ++step) {
        const double t = step / 100.0;
        colour.setRgbF(static_cast<float>(text.redF() + (towards.redF() - text.redF()) * t),
                       static_cast<float>(text.greenF() + (towards.greenF() - text.greenF()) * t),
                       static_cast<float>(text.blueF() + (towards.blueF() - text.blueF()) * t));
    }
    return colour;
}

}  // namespace morsela
