#include "app/form1.h"

#include <unistd.h>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <utility>

#include "app/background_work.h"
#include "app/boxes/error_box.h"
#include "app/boxes/many_pieces_question.h"
#include "app/boxes/plain_text.h"
#include "app/form_layout.h"
#include "app/icons/morsela_icon.h"
#include "app/join/path_parts.h"
#include "app/size_field.h"
#include "app/source_field.h"
#include "engine/piece_names.h"

namespace morsela {
namespace {

// The working directory as the system gives it: bytes, whatever their encoding.
NativePath workingDirectory() {
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    return NativePath(cwd ? QByteArray(cwd.get()) : QByteArray("/"));
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
      observer_(*pic1, *this) {
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
    describeControls();

    // The lists start on the working directory and its drive, before any handler is wired.
    // Should it be unreadable, the list says so where the user will look.
    try {
        Dir1->setPath(workingDirectory());
    } catch (const Error& error) {
        Dir1->setPath(NativePath::fromShown(QDir::homePath()));
        QTimer::singleShot(0, this, [this, error] {
            showErrorBox(this,
                         Error(error.kind(), error.path(),
                               error.reason() + "\nThe lists show your home directory instead."));
        });
    }

    connect(Dir1, &DirListBox::change, this, [this] { dispatch(&Form1::Dir1_Change); });
    connect(Drive1, &DriveListBox::change, this, [this] { dispatch(&Form1::Drive1_Change); });
    connect(cmdLoadfile, &QPushButton::clicked, this,
            [this] { dispatch(&Form1::cmdLoadfile_Click); });
    connect(cmdRun, &QPushButton::clicked, this, [this] { dispatch(&Form1::cmdRun_Click); });
    connect(cmdEnd, &QPushButton::clicked, this, [this] { dispatch(&Form1::cmdEnd_Click); });
    // Not handlers: the size field's tooltip follows both fields.
    connect(txtSize, &QLineEdit::textChanged, this, &Form1::updateSizeTip);
    connect(txtFile, &QLineEdit::textChanged, this, &Form1::updateSizeTip);
    // A new split being set up: the last one's time no longer stands in pic1.
    for (QLineEdit* field : {txtFile, txtSize}) {
        connect(field, &QLineEdit::textChanged, this, &Form1::clearReport);
    }
    connect(Dir1, &DirListBox::change, this, &Form1::clearReport);
    updateSizeTip();
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
    outputDir_ = Dir1->path().asDirectory();
    txtSavepath->setText(outputDir_.shown());
    Dir1->setAccessibleDescription("The pieces go to " + outputDir_.shown() +
                                   "; open another directory with Enter to write them there");
}

// Moving the list to the drive runs Dir1_Change, which takes the output directory from it;
// a drive whose current directory is already shown leaves it as it is.
void Form1::Drive1_Change() {
    try {
        Dir1->setPath(Drive1->drive());
    } catch (const Error&) {
        drives.remember(Dir1->path());  // the drive list goes back to the list's drive
        throw;
    }
}

void Form1::cmdLoadfile_Click() {
    dlgBox.setFlags(CommonDialog::kReadOnly);
    dlgBox.setFilter("ALL files|*.*|INI files|*.ini");
    dlgBox.setFileName(txtFile->text());  // open where the typed path points
    if (dlgBox.showOpen(this)) {
        txtFile->setText(dlgBox.fileName());
    }
}

void Form1::cmdRun_Click() {
    const SplitRequest request = requestFromFields();
    const std::optional<std::int64_t> length = sourceLength(txtFile->text());
    if (length &&
        !mayMakeManyPieces(this, NativePath(nameOf(sourceOf(txtFile->text()).bytes())).shown(),
                           piecesFor(*length, request.pieceSize), request.pieceSize)) {
        return;
    }
    const std::optional<Error> failure = runSplit(request);
    if (failure) {
        observer_.failed(advised(*failure));
        focusOnControlAbout(*failure);
    } else {
        observer_.completed();
    }
    followStopAnswer();
}

void Form1::cmdEnd_Click() {
    if (splitting_) {
        askToStopThen(AfterStop::EndProgram);
        return;
    }
    endProgram();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (splitting_) {
        event->ignore();
        askToStopThen(AfterStop::CloseWindow);
        return;
    }
    event->accept();
}

void Form1::askToStopThen(AfterStop then) {
    if (afterStop_ == AfterStop::Nothing && observer_.askToStop()) {
        afterStop_ = then;
    }
}

void Form1::followStopAnswer() {
    const AfterStop then = std::exchange(afterStop_, AfterStop::Nothing);
    if (then == AfterStop::EndProgram) {
        endProgram();
    } else if (then == AfterStop::CloseWindow) {
        close();
    }
}

void Form1::endProgram() {
    close();
    QCoreApplication::quit();
}

SplitRequest Form1::requestFromFields() const {
    if (txtFile->text().trimmed().isEmpty()) {
        throw Error(Error::Kind::NotFound, "",
                    "No file was chosen: type its path, or pick it with \"Open File\"");
    }
    SplitRequest request;
    request.source = sourceOf(txtFile->text()).toStdString();
    request.pieceSize = pieceSizeFromField(txtSize->text());
    request.outputDir = outputDir_.toStdString();
    return request;
}

// The split runs off the window's thread so that the bar moves while a large file is copied.
std::optional<Error> Form1::runSplit(const SplitRequest& request) {
    QWidget* focused = focusWidget();
    takeInput(false);
    QWidget* movedTo = focusWidget();  // where Qt took the focus
    splitting_ = true;
    observer_.begin();
    std::optional<Error> failure;
    runWhileWindowWaits(*this, [&] {
        try {
            // The user is asked about another file's split before anything is written; the
            // answer covers this plan.
            PlannedSplit plan = planSplit(request);
            bool replace = true;
            for (const OtherSplit& other : plan.otherSplits()) {
                replace = replace && observer_.replaceOtherSplit(other);
            }
            if (replace) {
                plan.allowReplacingOtherSplits();
            }
            carryOut(plan, observer_);
        } catch (const Error& error) {
            failure = error;
        } catch (const std::exception& error) {  // out of memory, for one
            failure = Error(Error::Kind::Other, "", error.what());
        }
    });
    splitting_ = false;
    takeInput(true);
    if (focused != nullptr && focusWidget() == movedTo) {
        focused->setFocus();  // the focus goes back unless the user moved it meanwhile
    }
    return failure;
}

void Form1::takeInput(bool active) {
    for (QWidget* control : std::initializer_list<QWidget*>{txtFile, txtSize, cmdRun, cmdLoadfile,
                                                            Drive1, Dir1, lblSize, lblSave}) {
        control->setEnabled(active);
    }
}

void Form1::updateSizeTip() {
    setPlainToolTip(*txtSize, sizeFieldTip(txtSize->text(), sourceLength(txtFile->text())));
}

void Form1::clearReport() {
    if (!splitting_) {
        pic1->cls();
    }
}

void Form1::dispatch(void (Form1::*handler)()) {
    try {
        (this->*handler)();
    } catch (const Error& error) {
        showErrorBox(this, advised(error));
        focusOnControlAbout(error);
    }
}

}  // namespace morsela
