#pragma once

#include <QDialog>
#include <optional>

#include "app/controls/native_path.h"
#include "app/join/join_progress.h"
#include "engine/error.h"
#include "engine/join/join.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace morsela {

// The join window, "Join holiday.zip": opened on a rejoin script or the first piece of a
// numbered series, it shows what a join will make (the file, its pieces and their size, where
// it goes, whether a checksum file is checked) and lets the user choose another folder and
// start. The join runs on a worker thread under a bar with the bytes done, the rate and the
// time left; Cancel stops it and nothing is left behind. The joined file's path and a way to
// its folder close the job; every failure ends in a box that names the file and the reason.
class JoinWindow : public QDialog {
    Q_OBJECT
  public:
    // `input` is the rejoin script or the first piece. When the pieces' folder cannot be
    // written (read-only media), the file goes to the home folder unless the user chooses.
    explicit JoinWindow(const NativePath& input, QWidget* parent = nullptr);

  protected:
    void closeEvent(QCloseEvent* event) override;
    // join_missing.cpp: a window that comes to the front looks at pieces that failed again.
    void changeEvent(QEvent* event) override;
    // Escape: stops a running join, else closes the window.
    void reject() override;

  private:
    enum class Stage { Ready, Joining, Done };

    // join_window_controls.cpp: the controls, their layout and their accessible names.
    void placeControls();
    void describeControls();
    void showValue(QLabel* label, const QString& caption, const QString& value);
    // Widens the folder field to show its whole path, up to most of the screen's width.
    void fitFolderField();

    void joinButton_Click();
    void chooseFolderButton_Click();
    void cancelButton_Click();
    void openFolderButton_Click();

    // Plans the join again and shows what it would make: the plan that Join carries out. A
    // failure is shown in the window and, as asked, in a box now or once the window is
    // shown, and leaves no plan.
    enum class FailureBox { None, Now, OnceShown };
    bool lookAtPieces(FailureBox box);
    void showPlan(const PlannedJoin* planned);
    // join_missing.cpp: what is known when the pieces cannot all be read, and Join disabled.
    void showWhatIsKnown(const Error& error);
    // Proposes the home folder when the pieces' folder cannot be written.
    void avoidReadOnlyFolder();
    bool askToReplace(const JoinPlan& plan);
    // join_missing.cpp: whether the failure is a piece that the recovery files describe, which
    // Join rebuilds first; says so in the window.
    bool offerRebuilding(const Error& error);
    // Rebuilds what the recovery files can first, asks before replacing a file found only
    // then, and carries out the join.
    std::optional<Error> runJoin(std::optional<PlannedJoin> planned);
    std::optional<PlannedJoin> rebuildThenPlan(std::optional<PlannedJoin> planned,
                                               std::optional<Error>& failure);
    void showProgress(std::int64_t done, std::int64_t total, double seconds, const QString& phase);
    void showOutcome(const JoinOutcome& outcome);
    void showFailure(const Error& error);
    void enterStage(Stage stage);
    JoinRequest request() const;
    // The folder the joined file goes into.
    NativePath targetFolder() const;

    NativePath input_;
    NativePath outputDir_;  // empty: beside the pieces
    // The join the window shows; Join carries out this one, and a Yes to replacing the file
    // it found covers this plan only.
    std::optional<PlannedJoin> planned_;
    std::optional<JoinPlan> plan_;  // what it makes, also once it was carried out
    std::optional<JoinOutcome> outcome_;
    Stage stage_ = Stage::Ready;
    bool closeWhenStopped_ = false;
    bool rebuildFirst_ = false;    // a piece is missing or damaged; the recovery files describe it
    bool recoveryBeside_ = false;  // recovery files beside the pieces describe them
    JoinProgress progress_;

    QLabel* targetName;
    QLabel* piecesText;
    QLabel* checksumText;
    QLabel* folderLabel;
    QLineEdit* folderField;
    QPushButton* chooseFolderButton;
    QLabel* folderNote;
    QProgressBar* progressBar;
    QLabel* progressText;
    QLabel* resultText;
    QPushButton* openFolderButton;
    QPushButton* joinButton;
    QPushButton* cancelButton;
};

}  // namespace morsela
