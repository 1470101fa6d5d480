// A small window that drags a file, as a file manager does: pressing the mouse on it starts
// a drag of the file named on the command line, as a file:// URL (or as given when it has a
// scheme). The window smoke test drags from it onto Morsela Win with xdotool.
//   drag_source PATH_OR_URL
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace {

class DragSource : public QLabel {
  public:
    explicit DragSource(QUrl url) : QLabel("drag me"), url_(std::move(url)) {
        setWindowTitle("Drag Source");
        setAlignment(Qt::AlignCenter);
        setFixedSize(160, 80);
    }

  protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setUrls({url_});
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction);
    }

  private:
    QUrl url_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    const QString target = QString::fromLocal8Bit(argv[1]);
    DragSource source(target.contains("://") ? QUrl(target) : QUrl::fromLocalFile(target));
    source.move(700, 500);
    source.show();
    return app.exec();
}
