#include "app/drive_list_box.h"

#include <QStorageInfo>

namespace morsela {

DriveListBox::DriveListBox(MountPoints& drives, QWidget* parent)
    : QComboBox(parent), drives_(drives) {
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const QString& mountPoint : drives_.all()) {
        addItem(icon, mountPoint);
    }
    connect(this, &QComboBox::activated, this, &DriveListBox::userSelected);
    connect(&drives_, &MountPoints::remembered, this, &DriveListBox::follow);
}

QString DriveListBox::drive() const {
    return drives_.currentDirectory(currentIndex());
}

void DriveListBox::userSelected(int index) {
    if (index != selected_) {
        selected_ = index;
        emit change();
    }
}

void DriveListBox::follow(int drive) {
    selected_ = drive;
    setCurrentIndex(drive);
}

}  // namespace morsela
