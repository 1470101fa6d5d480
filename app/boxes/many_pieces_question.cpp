#include "app/boxes/many_pieces_question.h"

#include "app/boxes/message_box.h"
#include "words/human_text.h"

namespace morsela {

bool mayMakeManyPieces(QWidget* parent, const QString& fileName, std::int64_t pieces,
                       std::int64_t pieceSize) {
    if (pieces <= kManyPieces) {
        return true;
    }
    MessageBox box(QMessageBox::Question, "Many Pieces",
                   "Split " + fileName + " into " +
                       QString::fromStdString(countOf(pieces, "piece", "pieces") + " of " +
                                              exactSize(pieceSize)) +
                       "?",
                   QMessageBox::Yes | QMessageBox::No, parent);
    box.setDetail(
        "Each piece is a file of its own. The size is in kilobytes: for fewer, larger pieces "
        "type a larger size, such as 10240 or 10M for 10 MB.");
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace morsela
