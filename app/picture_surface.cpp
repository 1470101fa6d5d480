#include "app/picture_surface.h"

#include <QMessageBox>
#include <QThread>
#include <cstdio>

#include "app/error_box.h"
#include "app/picture_box.h"

namespace morsela {

PictureSurface::PictureSurface(PictureBox& pic1, QWidget& window) : pic1_(pic1), window_(window) {}

template <typename Action>
void PictureSurface::onWindowThread(Action action) {
    if (QThread::currentThread() == window_.thread()) {
        action();
    } else {
        QMetaObject::invokeMethod(&window_, action, Qt::BlockingQueuedConnection);
    }
}

void PictureSurface::scale(double x1, double y1, double x2, double y2) {
    onWindowThread([=, this] { pic1_.scale(x1, y1, x2, y2); });
}

void PictureSurface::cls() {
    onWindowThread([this] { pic1_.cls(); });
}

void PictureSurface::box(double x1, double y1, double x2, double y2, Colour colour) {
    // The colour value keeps red in its low byte.
    const QColor qcolour(colour & 0xff, (colour >> 8) & 0xff, (colour >> 16) & 0xff);
    onWindowThread([=, this] { pic1_.box(x1, y1, x2, y2, qcolour); });
}

void PictureSurface::print(const std::string& line) {
    const QString text = QString::fromStdString(line);
    onWindowThread([=, this] { pic1_.print(text); });
}

void PictureSurface::messageBox(const std::string& prompt, const std::string& title,
                                MessageKind kind) {
    onWindowThread([&] {
        QMessageBox box(
            kind == MessageKind::Critical ? QMessageBox::Critical : QMessageBox::Information,
            QString::fromStdString(title), QString::fromStdString(prompt), QMessageBox::Ok,
            &window_);
        box.setInformativeText(QString::fromStdString(notices_));
        notices_.clear();
        box.exec();
    });
}

void PictureSurface::failed(const SplitError& error) {
    onWindowThread([&] { showErrorBox(&window_, error.headline(), error.detail()); });
}

void PictureSurface::notice(const std::string& text) {
    if (stop_) {
        std::fprintf(stderr, "morsela-win: %s\n", text.c_str());
        return;
    }
    onWindowThread([&] { notices_ += (notices_.empty() ? "" : "\n") + text; });
}

}  // namespace morsela
