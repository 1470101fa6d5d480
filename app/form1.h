#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <optional>

#include "app/controls/command_button.h"
#include "app/controls/common_dialog.h"
#include "app/controls/dir_list_box.h"
#include "app/controls/drive_list_box.h"
#include "app/controls/mount_points.h"
#include "app/controls/native_path.h"
#include "app/controls/picture_box.h"
#include "app/window_observer.h"
#include "engine/split.h"

namespace morsela {

// The program's one window, "Morsela Win": twelve controls at fixed places, the output
// directory, and the handlers of the six events that run program code.
class Form1 : public QWidget {
    Q_OBJECT
  public:
    // Creates the window and its controls, with the directory list on the working directory
    // and the drive list on its drive, then runs Form_Load; `mountPoints` are the drives.
    explicit Form1(MountPoints::Source mountPoints = MountPoints::ofSystem);

    // The directory the next split writes into, ending in "/"; the controls are found by
    // their object names.
    const NativePath& outputDir() const { return outputDir_; }
    // form1_given_file.cpp: fills in the file to split, as if typed, and opens its folder in
    // the directory list (the program was started on it).
    void setSourceFile(const NativePath& file);

  protected:
    void closeEvent(QCloseEvent* event) override;
    // form1_given_file.cpp: a file dropped on the window names the source.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // The controls, in the order the window creates them. The directory and drive lists
    // share what they know of the drives.
    MountPoints drives;
    QLineEdit* txtSavepath;
    DirListBox* Dir1;
    DriveListBox* Drive1;
    PictureBox* pic1;
    CommandButton* cmdLoadfile;
    CommonDialog dlgBox;
    QLineEdit* txtSize;
    QLineEdit* txtFile;
    CommandButton* cmdEnd;
    CommandButton* cmdRun;
    QLabel* lblSave;
    QLabel* lblSize;

    void Form_Load();
    void Dir1_Change();
    void Drive1_Change();
    void cmdLoadfile_Click();
    void cmdRun_Click();
    void cmdEnd_Click();

    // Takes the output directory from the directory list, where the user chose it.
    void takeOutputDirFromList();
    // Runs a handler as the event loop does: a failure ends in an error box, not the program.
    void dispatch(void (Form1::*handler)());
    void placeControls();
    // Names and descriptions for assistive technology, labels tied to their fields, and a
    // readable output path.
    void describeControls();

    // What the fields ask for; throws Error, in the window's words, for what they lack.
    SplitRequest requestFromFields() const;
    // Runs the split while the window waits, End alone taking input; gives its failure.
    std::optional<Error> runSplit(const SplitRequest& request);
    // Makes the controls that take input active or inactive; End and pic1 stay as they are.
    void takeInput(bool active);
    // During a split, End and closing the window ask whether to stop; this is what follows
    // a Yes once the split has stopped.
    enum class AfterStop { Nothing, EndProgram, CloseWindow };
    void askToStopThen(AfterStop then);
    // Once a split is over and reported: ends the program or closes the window, as the
    // answer to the question asked for.
    void followStopAnswer();
    void endProgram();
    // The size field's tooltip: what its text is read as, and the pieces it makes.
    void updateSizeTip();
    // Clears pic1 of the last split's report.
    void clearReport();

    // form1_failures.cpp: a failure with a word on what to choose instead, where the window
    // has one; and the focus, after its box, on the control the failure is about.
    Error advised(const Error& error) const;
    QWidget* controlAbout(const Error& error) const;
    void focusOnControlAbout(const Error& error);

    NativePath outputDir_;
    WindowObserver observer_;
    bool splitting_ = false;
    AfterStop afterStop_ = AfterStop::Nothing;
};

}  // namespace morsela
