#pragma once

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <stdexcept>

#include "app/controls/dir_list_box.h"
#include "app/controls/drive_list_box.h"
#include "app/controls/picture_box.h"
#include "app/form1.h"
#include "tests/support/temp_dir.h"

namespace morsela::test {

// The window's controls, found by their object names: the window keeps them private.
struct FormControls {
    explicit FormControls(Form1& form)
        : txtSavepath(find<QLineEdit>(form, "txtSavepath")),
          Dir1(find<DirListBox>(form, "Dir1")),
          Drive1(find<DriveListBox>(form, "Drive1")),
          pic1(find<PictureBox>(form, "pic1")),
          cmdLoadfile(find<QPushButton>(form, "cmdLoadfile")),
          txtSize(find<QLineEdit>(form, "txtSize")),
          txtFile(find<QLineEdit>(form, "txtFile")),
          cmdEnd(find<QPushButton>(form, "cmdEnd")),
          cmdRun(find<QPushButton>(form, "cmdRun")),
          lblSave(find<QLabel>(form, "lblSave")),
          lblSize(find<QLabel>(form, "lblSize")) {}

    QLineEdit* txtSavepath;
    DirListBox* Dir1;
    DriveListBox* Drive1;
    PictureBox* pic1;
    QPushButton* cmdLoadfile;
    QLineEdit* txtSize;
    QLineEdit* txtFile;
    QPushButton* cmdEnd;
    QPushButton* cmdRun;
    QLabel* lblSave;
    QLabel* lblSize;

  private:
    template <typename Control>
    static Control* find(Form1& form, const char* name) {
        auto* control = form.findChild<Control*>(name, Qt::FindDirectChildrenOnly);
        if (control == nullptr) {
            throw std::logic_error(std::string("the window has no control named ") + name);
        }
        return control;
    }
};

// Paths a test names as text, as the window keeps them.
inline QList<NativePath> nativePaths(const QStringList& paths) {
    QList<NativePath> native;
    for (const QString& path : paths) {
        native << NativePath::fromShown(path);
    }
    return native;
}

inline QStringList shownPaths(const QList<NativePath>& paths) {
    QStringList shown;
    for (const NativePath& path : paths) {
        shown << path.shown();
    }
    return shown;
}

// Drives that stay as given, for a window that should not see this machine's.
inline MountPoints::Source fixedDrives(QStringList mountPoints) {
    return [mountPoints] { return nativePaths(mountPoints); };
}

// A window shown on its own drives, its directory list on a fresh output directory, and a
// fresh directory for sources.
class ShownWindow : public ::testing::Test {
  protected:
    ShownWindow() : form(fixedDrives({"/"})), ui(form) {
        ui.Dir1->setPath(NativePath(out.path().string()));
        form.show();
        QApplication::setActiveWindow(&form);
    }

    TempDir in;
    TempDir out;
    Form1 form;
    const FormControls ui;
};

}  // namespace morsela::test
