// Where the join window writes the joined file: the folder shown, another one the user picks,
// the home folder instead of read-only media, the question before a file is replaced, and
// the way to the folder afterwards. Part of JoinWindow.

#include <unistd.h>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <cerrno>
#include <cstring>

#include "app/boxes/message_box.h"
#include "app/join/folder_opener.h"
#include "app/join/join_window.h"
#include "app/join/path_parts.h"

namespace morsela {

NativePath JoinWindow::targetFolder() const {
    if (plan_) {
        return NativePath(folderOf(QByteArray::fromStdString(plan_->target)));
    }
    return outputDir_.isEmpty() ? NativePath(folderOf(input_.bytes())) : outputDir_;
}

void JoinWindow::avoidReadOnlyFolder() {
    const NativePath folder = targetFolder();
    if (::access(folder.bytes().constData(), W_OK) == 0) {
        return;
    }
    const int error = errno;
    if (error != EROFS && error != EACCES && error != EPERM) {
        return;  // the join says what is wrong with it
    }
    outputDir_ = NativePath::fromShown(QDir::homePath());
    if (lookAtPieces(FailureBox::None) || rebuildFirst_) {
        folderNote->setText(shownName(folder.bytes()) + " cannot be written (" +
                            QString::fromLocal8Bit(std::strerror(error)) +
                            "), so the file goes to your home folder. " +
                            (folderNote->text().isEmpty() ? "" : folderNote->text() + " ") +
                            "Change Folder picks another.");
        folderNote->setVisible(true);
    }
}

void JoinWindow::chooseFolderButton_Click() {
    QFileDialog dialog(this, "Choose a Folder");
    dialog.setObjectName("folderDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setLabelText(QFileDialog::Accept, "Choose");
    dialog.setDirectory(targetFolder().shown());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    outputDir_ = NativePath::fromShown(dialog.selectedFiles().first());
    lookAtPieces(FailureBox::Now);
}

bool JoinWindow::askToReplace(const JoinPlan& plan) {
    const QString name = shownName(nameOf(QByteArray::fromStdString(plan.target)));
    MessageBox box(QMessageBox::Question, "Replace File", "Replace " + name + "?",
                   QMessageBox::Yes | QMessageBox::No, this);
    box.setDetail("A file named " + name + " is already in " + shownName(targetFolder().bytes()) +
                  ". Joining the pieces replaces it.");
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void JoinWindow::openFolderButton_Click() {
    openFolderOrSayWhere(this, targetFolder().shown(),
                         outcome_ ? shownText(outcome_->target) : targetFolder().shown());
}

}  // namespace morsela
