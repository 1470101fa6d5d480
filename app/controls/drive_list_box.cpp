#include "app/controls/drive_list_box.h"

#include <sys/statvfs.h>
#include <QAbstractItemView>
#include <QStorageInfo>
#include <QStylePainter>
#include <algorithm>

#include "app/boxes/plain_text.h"
#include "app/controls/drive_list_accessible.h"
#include "engine/error.h"
#include "words/human_text.h"

namespace morsela {
namespace {

constexpr int kShortNameRole = Qt::UserRole + 1;

// The volume's label, where it has one.
QString labelOf(const NativePath& mountPoint) {
    const QStorageInfo info(mountPoint.shown());
    if (info.isValid() && info.rootPath() == mountPoint.shown()) {
        return info.name();
    }
    return "";
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
    return " (" + QString::fromStdString(roughSize(free)) + " free" +
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
    // Each drive by its label and its whole mount point: two sticks both mounted as ".../m"
    // are told apart by the rest of the path.
    for (const NativePath& mountPoint : drives_.all()) {
        const QString label = labelOf(mountPoint);
        const QString where = mountPoint.shown();
        addItem(icon, (label.isEmpty() ? where : label + " on " + where) + spaceText(mountPoint),
                mountPoint.bytes());
        setItemData(count() - 1, plainToolTip(where), Qt::ToolTipRole);
        setItemData(count() - 1, label.isEmpty() ? where : label, kShortNameRole);
    }

    const int selected = findData(selected_.bytes());
    setCurrentIndex(selected);
}

void DriveListBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    // A long mount point keeps its end, which tells it from the others: ".../media/ana/m".
    const QRect room =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const int iconRoom = option.currentIcon.isNull() ? 0 : option.iconSize.width() + 4;
    option.currentText = fontMetrics().elidedText(currentData(kShortNameRole).toString(),
                                                  Qt::ElideLeft, room.width() - iconRoom);
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
