// What the join window shows when the pieces cannot all be read, a piece missing say: what is
// known (the file the pieces make, where the input is), what is missing, and Join disabled
// until the pieces are there. Part of JoinWindow.

#include <QEvent>
#include <QLabel>
#include <QPushButton>

#include "app/join/join_texts.h"
#include "app/join/join_window.h"
#include "app/join/path_parts.h"
#include "engine/join/join_pieces.h"
#include "engine/recovery/recovery_beside.h"

namespace morsela {
namespace {

// The file a first piece's series makes ("holiday.zip" for "holiday.zip.001"); a script
// names its own, which cannot be read here.
QString madeFrom(const QByteArray& input) {
    const QByteArray name = nameOf(input);
    if (name.size() > 4 && name.endsWith(".001")) {
        return shownName(name.chopped(4));
    }
    return "as " + shownName(name) + " says";
}

}  // namespace

void JoinWindow::showWhatIsKnown(const Error& error) {
    showValue(targetName, "File", madeFrom(input_.bytes()));
    const QString piece = shownName(nameOf(QByteArray::fromStdString(error.path())));
    showValue(piecesText, "Pieces",
              error.kind() == Error::Kind::NotFound && !piece.isEmpty()
                  ? piece + " is missing"
                  : (piece.isEmpty() ? "" : piece + ": ") + shownMessage(error.reason()));
    showValue(checksumText, "Checksums", "Not checked until every piece can be read");
    progressText->setText(shownMessage(error.what()));
    joinButton->setEnabled(false);
    joinButton->setDefault(false);
    cancelButton->setDefault(true);
    cancelButton->setFocus();
}

bool JoinWindow::offerRebuilding(const Error& error) {
    // A piece of a size that no split gives is damaged; one not there is missing.
    const bool damaged =
        error.kind() == Error::Kind::Refused && error.reason().ends_with(kMisfitPiece);
    if ((error.kind() != Error::Kind::NotFound && !damaged) ||
        !recovery::describedBeside(request().input, error.path())) {
        return false;
    }
    progressText->setText(rebuildLine(error.path(), damaged));
    return true;
}

// Back in the window, perhaps after putting the missing piece in place: the window looks
// again, and Join comes back once the pieces are all there.
void JoinWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !plan_ &&
        stage_ == Stage::Ready) {
        lookAtPieces(FailureBox::None);
    }
}

}  // namespace morsela
