#include "app/form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

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

}  // namespace

Form1::Form1(const QStringList& mountPoints)
    : drives(mountPoints),
      txtSavepath(new QLineEdit(this)),
      Dir1(new DirListBox(drives, this)),
      Drive1(new DriveListBox(drives, this)),
      pic1(new PictureBox(this)),
      cmdLoadfile(new QPushButton("Open File", this)),
      txtSize(new QLineEdit(this)),
      txtFile(new QLineEdit(this)),
      cmdEnd(new QPushButton("&End", this)),
      cmdRun(new QPushButton("Do Stuff", this)),
      lblSave(new QLabel("Output directory", this)),
      lblSize(new QLabel("Size in KB of splits", this)),
      surface_(*pic1, *this) {
    setWindowTitle("Morsela Win");
    setWindowIcon(morselaIcon());
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    placeControls();

    txtSavepath->setEnabled(false);  // shows the output directory, takes no focus or typing
    for (QPushButton* button : {cmdLoadfile, cmdRun, cmdEnd}) {
        button->setAutoDefault(false);  // Enter and Esc press no button
    }
    setTabOrder(txtFile, txtSize);
    setTabOrder(txtSize, cmdRun);
    setTabOrder(cmdRun, cmdEnd);
    setTabOrder(cmdEnd, cmdLoadfile);
    setTabOrder(cmdLoadfile, pic1);
    setTabOrder(pic1, Drive1);
    setTabOrder(Drive1, Dir1);
    txtFile->setFocus();

    // The lists start on the working directory and its drive, before any handler is wired.
    for (const QString& start : {QDir::currentPath(), QDir::homePath(), QString("/")}) {
        try {
            Dir1->setPath(start);
            break;
        } catch (const SplitError&) {
        }
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
    QWidget* controls[] = {txtSavepath, Dir1,    Drive1, pic1,   cmdLoadfile, nullptr,
                           txtSize,     txtFile, cmdEnd, cmdRun, lblSave,     lblSize};
    const double factor = layoutFactor(fontMetrics());
    setFixedSize(clientSize(factor));
    for (std::size_t i = 0; i < std::size(controls); ++i) {
        if (controls[i] != nullptr) {  // the file dialog has no visible part
            controls[i]->setObjectName(kControlPlaces[i].name);
            controls[i]->setGeometry(pixelRect(kControlPlaces[i], factor));
        }
    }
    // Labels lie beneath the other controls: the size field covers the end of its label.
    lblSave->lower();
    lblSize->lower();
}

// Form_Load and Dir1_Change take the output directory from the directory list, always
// ending in "/", also for the root.
void Form1::Form_Load() {
    takeOutputDirFromList();
}

void Form1::Dir1_Change() {
    takeOutputDirFromList();
}

void Form1::takeOutputDirFromList() {
    txtSavepath->setText(shown(directoryText(native(Dir1->path()))));
    state.outputDir = native(txtSavepath->text());
}

void Form1::Drive1_Change() {
    try {
        Dir1->setPath(Drive1->drive());  // runs Dir1_Change before it returns
    } catch (const SplitError&) {
        drives.remember(Dir1->path());  // the drive list goes back to the list's drive
        throw;
    }
    state.outputDir = directoryText(native(Dir1->path()));
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
