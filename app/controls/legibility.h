#pragma once

#include <QColor>

class QPainter;
class QRect;
class QWidget;

namespace morsela {

// What keeps the window easy to see for everyone: where the focus is, and text that reads.

// A frame in the highlight colour just inside `rect`, drawn on controls whose style shows no
// focus of its own (the picture box, the directory list), so that every tab stop shows
// where the keyboard is.
void drawFocusFrame(QPainter& painter, const QRect& rect, const QWidget& control);

// How well text in one colour reads on another: from 1 (the same) to 21 (black on white),
// by relative luminance.
double contrastRatio(const QColor& a, const QColor& b);

// `text` made darker (on a light background) or lighter (on a dark one) until it reads on
// `background` with at least `ratio`; `text` itself when it already does.
QColor readableOn(const QColor& text, const QColor& background, double ratio);

}  // namespace morsela
