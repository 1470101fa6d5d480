#include "app/controls/drive_list_box.h"

#include <sys/statvfs.h>
#include <QAbstractItemView>
#include <QLocale>
#include <QStorageInfo>
#include <QStylePainter>
#include <algorithm>

#include "app/boxes/plain_text.h"
#include "app/controls/drive_list_accessible.h"
#include "split/error.h"

namespace morsela {
namespace {

constexpr int kShortNameRole = Qt::UserRole + 1;

// The volume's label where it has one, else the last part of the mount point.
QString shortName(const NativePath& mountPoint) {
    const QStorageInfo info(mountPoint.shown());
    if (info.isValid() && info.rootPath() == mountPoint.shown() && !info.name().isEmpty()) {
        return info.name();
    }
    return mountPoint.bytes() == "/" ? QString("/") : mountPoint.shown().section('/', -1);
}

// "(16.0 GiB free)", ", read-only" added where writing will fail; empty when the file
// system cannot be asked. Asked of the system directly, which also works where the mount
// table names other paths (in a container or chroot).
QString spaceText(const NativePath& mountPoint) {
    struct statvfs status {};
    if (::statvfs(mountPoint.bytes().constData(), &status) != 0) {
        return "";
    }
    const auto free = static_cast<qint64>(status.f_bavail) * static_cast<qint64>(status.f_frsize);
    return " (" + QLocale().formattedDataSize(free, 1) + " free" +
           ((status.f_flag & ST_RDONLY) != 0 ? ", read-only)" : ")");
}

}  // namespace

DriveListBox::DriveListBox(MountPoints& drives, QWidget* parent)
    : QComboBox(parent), drives_(drives) {
    DriveListAccessible::install();
    fill();
    connect(this, &QComboBox::activated, this, &DriveListBox::userSelected);
    connect(&drives_, &MountPoints::remembered, this, &DriveListBox::follow);
    connect(&drives_, &MountPoints::changed, this, &DriveListBox::fill);
}

void DriveListBox::fill() {
    const QSignalBlocker quiet(this);
    clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const NativePath& mountPoint : drives_.all()) {
        const QString name = shortName(mountPoint);
        addItem(icon, name + spaceText(mountPoint), mountPoint.bytes());
        setItemData(count() - 1, plainToolTip(mountPoint.shown()), Qt::ToolTipRole);
        setItemData(count() - 1, name, kShortNameRole);
    }

    const int selected = findData(selected_.bytes());
    setCurrentIndex(selected);
}

void DriveListBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = currentData(kShortNameRole).toString();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void DriveListBox::showPopup() {
    drives_.refresh();
    // Wide enough for every drive's whole line, which the narrow list itself cannot show.
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        widest = std::max(widest, fontMetrics().horizontalAdvance(itemText(i)));
    }
    // The line also holds the icon, the style's check column and margins.
    view()->setMinimumWidth(widest + 3 * iconSize().width() + 8 * fontMetrics().averageCharWidth());
    QComboBox::showPopup();
}

NativePath DriveListBox::drive() {
    const NativePath mountPoint(currentData().toByteArray());
    drives_.refresh();
    const auto index = drives_.all().indexOf(mountPoint);
    if (index < 0) {
        throw Error(Error::Kind::NotReady, mountPoint.toStdString(),
                    "the drive is no longer there");
    }
    return drives_.currentDirectory(static_cast<int>(index));
}

void DriveListBox::userSelected(int index) {
    const NativePath mountPoint(itemData(index).toByteArray());
    if (!(mountPoint == selected_)) {
        selected_ = mountPoint;
        emit change();
    }
}

void DriveListBox::follow(int drive) {
    selected_ = drives_.all().value(drive);
    setCurrentIndex(findData(selected_.bytes()));
}

}  // namespace morsela
