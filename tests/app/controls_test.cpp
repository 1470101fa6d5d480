#include <gtest/gtest.h>
#include <QApplication>
#include <QWidget>
#include <filesystem>

#include "app/common_dialog.h"
#include "app/dir_list_box.h"
#include "app/mount_points.h"
#include "app/picture_box.h"
#include "split/split_error.h"
#include "tests/app/form_controls.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

TEST(CommonDialog, FilterTextBecomesNameFiltersAndStarDotStarMatchesEverything) {
    EXPECT_EQ(CommonDialog::nameFilters("ALL files|*.*|INI files|*.ini"),
              QStringList({"ALL files (*)", "INI files (*.ini)"}));
    EXPECT_EQ(CommonDialog::nameFilters("Archives|*.zip;*.7z"),
              QStringList({"Archives (*.zip *.7z)"}));
    EXPECT_TRUE(CommonDialog::nameFilters("").isEmpty());
}

TEST(MountPoints, ADriveIsTheLongestMountPointAboveAPath) {
    MountPoints drives(test::fixedDrives({"/", "/home", "/home/user/usb"}));
    EXPECT_EQ(drives.driveOf("/etc"), 0);
    EXPECT_EQ(drives.driveOf("/home"), 1);
    EXPECT_EQ(drives.driveOf("/homework"), 0);
    EXPECT_EQ(drives.driveOf("/home/user/usb/photos"), 2);
    EXPECT_EQ(drives.currentDirectory(1), "/home");
    drives.remember("/home/user/docs");
    EXPECT_EQ(drives.currentDirectory(1), "/home/user/docs");
    EXPECT_EQ(drives.currentDirectory(0), "/");
}

TEST(MountPoints, TheSystemsDrivesIncludeTheRootButNoPseudoFileSystems) {
    const QStringList drives = MountPoints::ofSystem();
    EXPECT_TRUE(drives.contains("/"));
    for (const QString& drive : drives) {
        EXPECT_FALSE(drive.startsWith("/proc") || drive.startsWith("/sys")) << drive.toStdString();
    }
}

TEST(DirListBox, ListsThePathThenTheSubdirectoriesAndRefusesUnreadablePaths) {
    test::TempDir dir;
    fs::create_directories(dir.path() / "b");
    fs::create_directories(dir.path() / "a b");
    test::writeFile(dir / "file.txt", "not a directory");
    MountPoints drives(test::fixedDrives({"/"}));
    QWidget parent;
    DirListBox list(drives, &parent);
    const QByteArray path = QByteArray::fromStdString(dir.path().string());
    list.setPath(path);
    EXPECT_EQ(list.path(), path);
    QStringList shown;
    for (QTreeWidgetItemIterator it(&list); *it; ++it) {
        shown << (*it)->text(0);
    }
    EXPECT_EQ(shown.first(), "/");
    EXPECT_EQ(shown.mid(shown.size() - 3),
              QStringList({dir.path().filename().c_str(), "a b", "b"}));

    EXPECT_THROW(list.setPath(path + "/missing"), SplitError);
    EXPECT_THROW(list.setPath(path + "/file.txt"), SplitError);
    EXPECT_EQ(list.path(), path);
    list.setPath("/");
    EXPECT_EQ(list.path(), "/");
}

TEST(PictureBox, KeepsItsDrawingInUserCoordinates) {
    QWidget parent;
    PictureBox pic1(&parent);
    pic1.setGeometry(0, 0, 104, 44);
    pic1.scale(0, 0, 100, 5);
    pic1.cls();
    const QImage& image = pic1.image();
    ASSERT_EQ(image.size(), pic1.contentsRect().size());
    pic1.box(0, 0, 50, 5, Qt::red);
    EXPECT_EQ(image.pixelColor(image.width() / 4, image.height() / 2), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(image.width() * 3 / 4, image.height() / 2), QColor(Qt::red));
    pic1.print("one");
    pic1.print("two");
    EXPECT_EQ(pic1.printedLines(), QStringList({"one", "two"}));
    pic1.cls();
    EXPECT_TRUE(pic1.printedLines().isEmpty());
    EXPECT_NE(image.pixelColor(image.width() / 4, image.height() / 2), QColor(Qt::red));
}

}  // namespace
}  // namespace morsela
