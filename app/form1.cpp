#include "app/form1.h"

#include <unistd.h>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <cstdlib>
#include <memory>

#include "app/background_work.h"
#include "app/error_box.h"
#include "app/form_layout.h"
#include "app/morsela_icon.h"
#include "split/piece_names.h"
#include "split/split_error.h"
#include "split/split_file.h"

namespace morsela {
namespace {

// File names as the system stores them (bytes) and as the window shows them.
std::string native(const QString& text) {
    return QFile::encodeName(text).toStdString();
}
QString shown(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

// The working directory as the system gives it: bytes, whatever their encoding.
QByteArray workingDirectory() {
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    return cwd ? QByteArray(cwd.get()) : QByteArray("/");
}

// Gives a control the name it is known by: its place in the layout, and how tests find it.
template <typename Control>
Control* named(Control* control, const char* name) {
    control->setObjectName(name);
    return control;
}

}  // namespace

Form1::Form1(MountPoints::Source mountPoints)
    : drives(std::move(mountPoints)),
      txtSavepath(named(new QLineEdit(this), "txtSavepath")),
      Dir1(named(new DirListBox(drives, this), "Dir1")),
      Drive1(named(new DriveListBox(drives, this), "Drive1")),
      pic1(named(new PictureBox(this), "pic1")),
      cmdLoadfile(named(new CommandButton("Open File", this), "cmdLoadfile")),
      txtSize(named(new QLineEdit(this), "txtSize")),
      txtFile(named(new QLineEdit(this), "txtFile")),
      cmdEnd(named(new CommandButton("&End", this), "cmdEnd")),
      cmdRun(named(new CommandButton("Do Stuff", this), "cmdRun")),
      lblSave(named(new QLabel("Output directory", this), "lblSave")),
      lblSize(named(new QLabel("Size in KB of splits", this), "lblSize")),
      surface_(*pic1, *this) {
    setWindowTitle("Morsela Win");
    setWindowIcon(morselaIcon());
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    placeControls();

    txtSavepath->setEnabled(false);  // shows the output directory, takes no focus or typing
    // A file dropped anywhere on the window, the fields included, names the source.
    setAcceptDrops(true);
    txtFile->setAcceptDrops(false);
    txtSize->setAcceptDrops(false);
    setTabOrder(txtFile, txtSize);
    setTabOrder(txtSize, cmdRun);
    setTabOrder(cmdRun, cmdEnd);
    setTabOrder(cmdEnd, cmdLoadfile);
    setTabOrder(cmdLoadfile, pic1);
    setTabOrder(pic1, Drive1);
    setTabOrder(Drive1, Dir1);
    txtFile->setFocus();

    // The lists start on the working directory and its drive, before any handler is wired.
    // Should it be unreadable, the list says so where the user will look.
    try {
        Dir1->setPath(workingDirectory());
    } catch (const SplitError& error) {
        Dir1->setPath(QFile::encodeName(QDir::homePath()));
        QTimer::singleShot(0, this, [this, error] {
            showErrorBox(this, error.headline(),
                         error.detail() + "\nThe lists show your home directory instead.");
        });
    }

    connect(Dir1, &DirListBox::change, this, [this] { dispatch(&Form1::Dir1_Change); });
    connect(Drive1, &DriveListBox::change, this, [this] { dispatch(&Form1::Drive1_Change); });
    connect(cmdLoadfile, &QPushButton::clicked, this,
            [this] { dispatch(&Form1::cmdLoadfile_Click); });
    connect(cmdRun, &QPushButton::clicked, this, [this] { dispatch(&Form1::cmdRun_Click); });
    connect(cmdEnd, &QPushButton::clicked, this, [this] { dispatch(&Form1::cmdEnd_Click); });
    dispatch(&Form1::Form_Load);
}

void Form1::placeControls() {
    const double factor = layoutFactor(fontMetrics());
    setFixedSize(clientSize(factor));
    // The file dialog has a place in the layout but no visible part.
    for (QWidget* control :
         std::initializer_list<QWidget*>{txtSavepath, Dir1, Drive1, pic1, cmdLoadfile, txtSize,
                                         txtFile, cmdEnd, cmdRun, lblSave, lblSize}) {
        control->setGeometry(pixelRect(placeOf(control->objectName().toStdString()), factor));
    }
    // Labels lie beneath the other controls: the size field covers the end of its label.
    lblSave->lower();
    lblSize->lower();
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

// Form_Load and Dir1_Change take the output directory from the directory list, always
// ending in "/", also for the root.
void Form1::Form_Load() {
    takeOutputDirFromList();
}

void Form1::Dir1_Change() {
    takeOutputDirFromList();
}

// The output directory keeps the list's bytes; the text box shows them decoded, which for
// a name that is not UTF-8 cannot be turned back into the same bytes.
void Form1::takeOutputDirFromList() {
    const std::string outputDir = directoryText(Dir1->path().toStdString());
    txtSavepath->setText(shown(outputDir));
    state.outputDir = outputDir;
}

void Form1::Drive1_Change() {
    try {
        Dir1->setPath(Drive1->drive());  // runs Dir1_Change before it returns
    } catch (const SplitError&) {
        drives.remember(Dir1->path());  // the drive list goes back to the list's drive
        throw;
    }
    state.outputDir = directoryText(Dir1->path().toStdString());
}

void Form1::cmdLoadfile_Click() {
    dlgBox.setFlags(CommonDialog::kReadOnly | CommonDialog::kOverwritePrompt);
    dlgBox.setFilter("ALL files|*.*|INI files|*.ini");
    dlgBox.setFileName(txtFile->text());  // open where the typed path points
    if (dlgBox.showOpen(this)) {
        txtFile->setText(dlgBox.fileName());
    }
}

void Form1::cmdRun_Click() {
    state.startTime = {};
    const std::string fileText = native(txtFile->text());
    const std::string sizeText = txtSize->text().toStdString();

    // The split runs off the window's thread so that the bar moves while a large file is
    // copied; closing the window meanwhile asks it to stop.
    surface_.clearStop();
    splitting_ = true;
    runWhileWindowWaits(*this, [&] { SplitFile(state, fileText, sizeText, surface_); });
    splitting_ = false;
    if (closeRequested_) {
        close();
    }
}

void Form1::cmdEnd_Click() {
    close();
    QCoreApplication::quit();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (splitting_) {
        // Stop after the current block; the window closes once every file is closed.
        surface_.requestStop();
        closeRequested_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

void Form1::dispatch(void (Form1::*handler)()) {
    try {
        (this->*handler)();
    } catch (const SplitError& error) {
        showErrorBox(this, error.headline(), error.detail());
    }
}

}  // namespace morsela
