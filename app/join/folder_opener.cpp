#include "app/join/folder_opener.h"

#include <QPointer>
#include <QProcess>

#include "app/boxes/message_box.h"

namespace morsela {
namespace {

void sayWhere(QWidget* parent, const QString& why, const QString& file) {
    MessageBox box(QMessageBox::Information, "Open Folder", "No program here opens the folder",
                   QMessageBox::Ok, parent);
    box.setDetail(why + "\nThe file is " + file);
    box.exec();
}

}  // namespace

void openFolderOrSayWhere(QWidget* parent, const QString& folder, const QString& file) {
    auto* opener = new QProcess(parent);
    opener->setProgram("xdg-open");
    opener->setArguments({folder});
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    const QPointer<QWidget> window(parent);
    QObject::connect(opener, &QProcess::finished, parent,
                     [=](int status, QProcess::ExitStatus how) {
                         opener->deleteLater();
                         if ((how != QProcess::NormalExit || status != 0) && window) {
                             sayWhere(window, "xdg-open could not open " + folder + ".", file);
                         }
                     });
    QObject::connect(opener, &QProcess::errorOccurred, parent, [=](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            opener->deleteLater();
            if (window) {
                sayWhere(window, "xdg-open, which finds the desktop's file manager, is missing.",
                         file);
            }
        }
    });
    opener->start();
}

}  // namespace morsela
