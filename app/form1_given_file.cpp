// The file to split as the window is handed it rather than typed: the file the program was
// started on, and a file dropped anywhere on the window. Either fills in the file field as
// typing would; neither starts a split. Part of Form1, kept apart from its handlers.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QToolTip>
#include <QUrl>

#include "app/form1.h"
#include "app/join/path_parts.h"

namespace morsela {

// The pieces go beside the file unless the user chooses otherwise; a folder that cannot be
// read leaves the list where it was.
void Form1::setSourceFile(const NativePath& file) {
    txtFile->setText(file.shown());
    try {
        Dir1->setPath(NativePath(folderOf(file.bytes())));
    } catch (const Error&) {
    }
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !splitting_) {
        event->acceptProposedAction();
    }
}

// A dropped file names the source, as if typed; dropping never starts a split.
void Form1::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    if (!urls.front().isLocalFile()) {
        QToolTip::showText(txtFile->mapToGlobal(QPoint(0, txtFile->height())),
                           "Only files on this computer can be split", txtFile);
        return;
    }
    txtFile->setText(urls.front().toLocalFile());
    txtFile->setFocus();
}

}  // namespace morsela
