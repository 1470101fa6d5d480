#pragma once

#include <QComboBox>

#include "app/controls/mount_points.h"

namespace morsela {

// A drop-down list of the machine's drives, showing the selected one. Change is raised only
// when the user selects another drive; when the directory list moves onto another drive, the
// selection follows it quietly.
//
// The list is read again each time it opens, so it follows sticks mounted and unmounted
// meanwhile. Each drive shows its volume label and its whole mount point, with its free space
// and whether it is read-only; the closed list shows the label, or as much of the end of the
// mount point as fits. The mount point is its tooltip.
class DriveListBox : public QComboBox {
    Q_OBJECT
  public:
    DriveListBox(MountPoints& drives, QWidget* parent);

    // The selected drive, as a path the directory list accepts: the drive's current
    // directory. Throws Error (NotReady) when the drive is no longer mounted.
    NativePath drive();

    void showPopup() override;

  protected:
    // The closed list shows the drive's short name alone: its place is narrow.
    void paintEvent(QPaintEvent* event) override;

  signals:
    void change();

  private:
    void fill();
    void userSelected(int index);
    void follow(int drive);

    MountPoints& drives_;
    NativePath selected_;  // the mount point of the selected drive
};

}  // namespace morsela
