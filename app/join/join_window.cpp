#include "app/join/join_window.h"

#include <unistd.h>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>
#include <variant>

#include "app/background_work.h"
#include "app/boxes/message_box.h"
#include "app/icons/morsela_icon.h"
#include "app/join/join_texts.h"
#include "app/join/path_parts.h"
#include "engine/join/rebuilt_first.h"
#include "engine/recovery/recovery_beside.h"

namespace morsela {
namespace {

template <typename Control>
Control* named(Control* control, const char* name) {
    control->setObjectName(name);
    return control;
}

// A relative path made absolute against the working directory, so that the window can show
// where things are.
NativePath absolute(const NativePath& path) {
    if (path.bytes().startsWith('/')) {
        return path;
    }
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    return cwd ? NativePath(NativePath(QByteArray(cwd.get())).asDirectory().bytes() + path.bytes())
               : path;
}

// The failure of `work`, run while the window waits, given as data.
std::optional<Error> failureOf(QWidget& window, const std::function<void()>& work) {
    std::optional<Error> failure;
    runWhileWindowWaits(window, [&] {
        try {
            work();
        } catch (const Error& error) {
            failure = error;
        } catch (const std::exception& error) {  // out of memory, for one
            failure = Error(Error::Kind::Other, "", error.what());
        }
    });
    return failure;
}

// planJoin, its failure given as data.
std::variant<PlannedJoin, Error> planOf(const JoinRequest& request) {
    try {
        return planJoin(request);
    } catch (const Error& error) {
        return error;
    } catch (const std::exception& error) {  // out of memory, for one
        return Error(Error::Kind::Other, "", error.what());
    }
}

}  // namespace

JoinWindow::JoinWindow(const NativePath& input, QWidget* parent)
    : QDialog(parent),
      input_(absolute(input)),
      progress_(*this, [this](std::int64_t done, std::int64_t total, double seconds,
                              const QString& phase) { showProgress(done, total, seconds, phase); }),
      targetName(named(new QLabel(this), "targetName")),
      piecesText(named(new QLabel(this), "piecesText")),
      checksumText(named(new QLabel(this), "checksumText")),
      folderLabel(named(new QLabel("Save &in:", this), "folderLabel")),
      folderField(named(new QLineEdit(this), "folderField")),
      chooseFolderButton(named(new QPushButton("&Change Folder...", this), "chooseFolderButton")),
      folderNote(named(new QLabel(this), "folderNote")),
      progressBar(named(new QProgressBar(this), "progressBar")),
      progressText(named(new QLabel(this), "progressText")),
      resultText(named(new QLabel(this), "resultText")),
      openFolderButton(named(new QPushButton("&Open Folder", this), "openFolderButton")),
      joinButton(named(new QPushButton("&Join", this), "joinButton")),
      cancelButton(named(new QPushButton("Cancel", this), "cancelButton")) {
    setWindowIcon(morselaIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    placeControls();
    describeControls();
    connect(joinButton, &QPushButton::clicked, this, &JoinWindow::joinButton_Click);
    connect(chooseFolderButton, &QPushButton::clicked, this, &JoinWindow::chooseFolderButton_Click);
    connect(cancelButton, &QPushButton::clicked, this, &JoinWindow::cancelButton_Click);
    connect(openFolderButton, &QPushButton::clicked, this, &JoinWindow::openFolderButton_Click);

    enterStage(Stage::Ready);
    // Pieces that Join rebuilds first need a folder to be written as much as a join does.
    if (lookAtPieces(FailureBox::OnceShown) || rebuildFirst_) {
        avoidReadOnlyFolder();
    }
}

JoinRequest JoinWindow::request() const {
    JoinRequest request;
    request.input = input_.toStdString();
    request.output = outputDir_.toStdString();
    request.stop = progress_.stopToken();
    return request;
}

// What a join would make, as the engine sees it now; a failure leaves the fields blank.
void JoinWindow::showPlan(const PlannedJoin* planned) {
    plan_ = planned != nullptr ? std::optional<JoinPlan>(planned->summary()) : std::nullopt;
    const QString name =
        shownName(nameOf(plan_ ? QByteArray::fromStdString(plan_->target) : input_.bytes()));
    setWindowTitle("Join " + name);
    showValue(targetName, "File", plan_ ? name : "");
    showValue(piecesText, "Pieces", plan_ ? piecesLine(*plan_) : "");
    showValue(checksumText, "Checksums", plan_ ? checksumLine(*plan_) : "");
    folderField->setText(shownName(targetFolder().bytes()));
    folderField->setCursorPosition(0);
    fitFolderField();
    folderNote->setText(planned != nullptr && planned->replaces()
                            ? "A file named " + name +
                                  " is already in this folder; Join asks before replacing it."
                            : "");
    folderNote->setVisible(!folderNote->text().isEmpty());
    if (plan_) {
        joinButton->setEnabled(stage_ == Stage::Ready);
        if (focusWidget() == cancelButton && stage_ == Stage::Ready) {
            joinButton->setFocus();  // a focused button is the dialog's default
        }
        joinButton->setDefault(true);
        cancelButton->setDefault(false);
    }
}

bool JoinWindow::lookAtPieces(FailureBox box) {
    auto looked = planOf(request());
    if (auto* planned = std::get_if<PlannedJoin>(&looked)) {
        planned_.emplace(std::move(*planned));
        showPlan(&*planned_);
        rebuildFirst_ = false;
        recoveryBeside_ = recovery::recoveryFilesBeside(request().input);
        if (recoveryBeside_ && stage_ == Stage::Ready) {
            progressText->setText(recoveryLine());
        }
        return true;
    }
    const Error& error = std::get<Error>(looked);
    planned_.reset();
    showPlan(nullptr);
    showWhatIsKnown(error);
    rebuildFirst_ = offerRebuilding(error);
    if (rebuildFirst_) {
        // Join rebuilds the piece first, so it stays the way on.
        joinButton->setEnabled(stage_ == Stage::Ready);
        joinButton->setDefault(true);
        cancelButton->setDefault(false);
    } else if (box == FailureBox::Now) {
        showFailure(error);
    } else if (box == FailureBox::OnceShown) {
        // The box comes once the window is there to stand over.
        QTimer::singleShot(0, this, [this, error] { showFailure(error); });
    }
    return false;
}

void JoinWindow::joinButton_Click() {
    if (!planned_ && !lookAtPieces(FailureBox::Now) && !rebuildFirst_) {
        return;
    }
    if (planned_ && planned_->replaces()) {
        if (!askToReplace(*plan_)) {
            return;
        }
        planned_->allowReplacing();
    }
    enterStage(Stage::Joining);
    std::optional<PlannedJoin> planned = std::move(planned_);
    planned_.reset();  // carried out: another join is planned anew
    const std::optional<Error> failure = runJoin(std::move(planned));
    progress_.end();  // a stop asked for covered this join, not the next
    if (!failure) {
        showOutcome(*outcome_);
        enterStage(Stage::Done);
    } else {
        progressBar->setValue(0);
        lookAtPieces(FailureBox::None);
        enterStage(Stage::Ready);
        if (failure->kind() == Error::Kind::Stopped) {
            progressText->setText("Stopped; nothing was written.");
        } else {
            showFailure(*failure);
        }
    }
    if (std::exchange(closeWhenStopped_, false)) {
        close();
    }
}

// The join runs off the window's thread so that the bar moves and Cancel is heard. The
// recovery files rebuild what they can first, as for `morsela join`: a missing piece, or a
// damaged one that only they can tell; the join is then planned anew over the pieces.
std::optional<Error> JoinWindow::runJoin(std::optional<PlannedJoin> planned) {
    progress_.begin();
    std::optional<Error> failure;
    std::optional<PlannedJoin> ready = rebuildThenPlan(std::move(planned), failure);
    if (!ready) {
        return failure;
    }
    // A file in the way that only the rebuilt pieces' plan found is asked about now.
    if (ready->replaces() && !ready->replacingAllowed()) {
        if (!askToReplace(ready->summary())) {
            return Error::stopped(ready->summary().target, "not replaced");
        }
        ready->allowReplacing();
    }
    return failureOf(*this, [&] { outcome_ = carryOut(*ready, progress_); });
}

std::optional<PlannedJoin> JoinWindow::rebuildThenPlan(std::optional<PlannedJoin> planned,
                                                       std::optional<Error>& failure) {
    if (recoveryBeside_ || !planned) {
        progressText->setText(checkingLine());
    }
    const JoinRequest asked = request();
    std::optional<PlannedJoin> ready;
    failure = failureOf(*this, [&] {
        if (!planned) {
            ready.emplace(planRebuilt(asked, progress_));
            return;
        }
        std::optional<PlannedJoin> again = rebuiltFirst(*planned, progress_);
        ready.emplace(again ? std::move(*again) : std::move(*planned));
    });
    if (ready && !plan_) {
        showPlan(&*ready);  // what the rebuilt pieces make, where nothing could be shown
        enterStage(Stage::Joining);
    }
    return ready;
}

void JoinWindow::showProgress(std::int64_t done, std::int64_t total, double seconds,
                              const QString& phase) {
    // Thousandths of the largest files need more than 64 bits.
    __extension__ using Wide = unsigned __int128;
    progressBar->setValue(total > 0
                              ? static_cast<int>(Wide(done) * progressBar->maximum() / Wide(total))
                              : progressBar->maximum());
    if (!progress_.stopAsked()) {
        const QString line = progressLine(done, total, seconds);
        progressText->setText(phase.isEmpty() ? line : phase + ": " + line);
    }
}

void JoinWindow::showOutcome(const JoinOutcome& outcome) {
    progressBar->setValue(progressBar->maximum());
    progressText->setText(doneLine(outcome.bytes, progress_.seconds()));
    QString result = resultLine(outcome);
    for (const QString& notice : progress_.notices()) {
        result += "\n" + notice;
    }
    resultText->setText(result);
    folderNote->clear();  // a file in the way was replaced, or is the joined file now
    folderNote->hide();
    // The button takes the focus: a screen reader reads the result with it.
    openFolderButton->setAccessibleDescription(result + "\nOpens the folder that holds it");
}

void JoinWindow::showFailure(const Error& error) {
    const QString what = plan_ ? targetName->text() : shownName(nameOf(input_.bytes()));
    progressText->setText(shownMessage(error.what()));  // stays in the window after the box
    MessageBox box(QMessageBox::Critical, "Join Failed", "Could not join " + what, QMessageBox::Ok,
                   this);
    box.setDetail(shownMessage(error.what()));
    box.exec();
}

void JoinWindow::enterStage(Stage stage) {
    stage_ = stage;
    chooseFolderButton->setEnabled(stage == Stage::Ready);
    joinButton->setEnabled(stage == Stage::Ready);
    joinButton->setVisible(stage != Stage::Done);
    openFolderButton->setVisible(stage == Stage::Done);
    resultText->setVisible(stage == Stage::Done);
    cancelButton->setText(stage == Stage::Done ? "Close" : "Cancel");
    QWidget* focus = stage == Stage::Ready     ? static_cast<QWidget*>(joinButton)
                     : stage == Stage::Joining ? static_cast<QWidget*>(cancelButton)
                                               : static_cast<QWidget*>(openFolderButton);
    focus->setFocus();
}

void JoinWindow::cancelButton_Click() {
    reject();
}

void JoinWindow::reject() {
    if (stage_ == Stage::Joining) {
        progress_.requestStop();
        progressText->setText("Stopping...");
        return;
    }
    close();
}

// During a join, closing the window stops it and closes the window once it has stopped.
void JoinWindow::closeEvent(QCloseEvent* event) {
    if (stage_ == Stage::Joining) {
        event->ignore();
        closeWhenStopped_ = true;
        reject();
        return;
    }
    event->accept();
}

}  // namespace morsela
