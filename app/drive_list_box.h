#pragma once

#include <QComboBox>

#include "app/mount_points.h"

namespace morsela {

// A drop-down list of the machine's drives, showing the selected one. Change is raised only
// when the user selects another drive; when the directory list moves onto another drive, the
// selection follows it quietly.
class DriveListBox : public QComboBox {
    Q_OBJECT
  public:
    DriveListBox(MountPoints& drives, QWidget* parent);

    // The selected drive, as a path the directory list accepts: the drive's current directory.
    QString drive() const;

  signals:
    void change();

  private:
    void userSelected(int index);
    void follow(int drive);

    MountPoints& drives_;
    int selected_ = -1;
};

}  // namespace morsela
