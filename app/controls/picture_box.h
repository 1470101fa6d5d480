#pragma once

#include <QFrame>
#include <QImage>
#include <QStringList>

namespace morsela {

// A drawing surface that keeps its drawing in a backing image, so that covered and uncovered
// it still shows what was last drawn. Offers a user coordinate system, clearing, filled boxes
// and lines of text printed at a moving text position. It takes the focus, and shows it.
class PictureBox : public QFrame {
    Q_OBJECT
  public:
    explicit PictureBox(QWidget* parent);

    // (x1, y1) becomes the top left corner of the drawing area, (x2, y2) its bottom right.
    void scale(double x1, double y1, double x2, double y2);
    // Clears to the background colour and moves the text position to the top left corner.
    void cls();
    // A box filled with `colour`, corners in user coordinates.
    void box(double x1, double y1, double x2, double y2, const QColor& colour);
    // Prints `text` at the text position and moves to the start of the next line.
    void print(const QString& text);

    // What the bar stands for, for those who cannot see it: the share done, 0 to 100. While
    // no line is printed the box is a progress indicator of this value to assistive
    // technology; once lines are printed, it is text holding them.
    void setProgress(int percent);
    int progress() const { return progress_; }

    const QImage& image() const { return image_; }
    // The lines printed since the last clearing.
    const QStringList& printedLines() const { return lines_; }

  signals:
    // After every drawing operation.
    void drawn();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // Gives the backing image the size of the drawing area, keeping what it shows.
    void fitImage();
    QPointF toPixels(double x, double y) const;
    void changed();

    QImage image_;
    QStringList lines_;
    double left_ = 0;
    double top_ = 0;
    double right_ = 1;
    double bottom_ = 1;
    int textY_ = 0;
    int progress_ = 0;
};

}  // namespace morsela
