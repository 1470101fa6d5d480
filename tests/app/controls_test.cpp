#include <gtest/gtest.h>
#include <QApplication>
#include <QWidget>
#include <filesystem>

#include "app/controls/common_dialog.h"
#include "app/controls/dir_list_box.h"
#include "app/controls/mount_points.h"
#include "app/controls/picture_box.h"
#include "engine/error.h"
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
    auto path = [](const char* text) { return NativePath(QByteArray(text)); };
    EXPECT_EQ(drives.driveOf(path("/etc")), 0);
    EXPECT_EQ(drives.driveOf(path("/home")), 1);
    EXPECT_EQ(drives.driveOf(path("/homework")), 0);
    EXPECT_EQ(drives.driveOf(path("/home/user/usb/photos")), 2);
    EXPECT_EQ(drives.currentDirectory(1).bytes(), "/home");
    drives.remember(path("/home/user/docs"));
    EXPECT_EQ(drives.currentDirectory(1).bytes(), "/home/user/docs");
    EXPECT_EQ(drives.currentDirectory(0).bytes(), "/");
}

TEST(MountPoints, TheSystemsDrivesIncludeTheRootButNoPseudoFileSystems) {
    const QStringList drives = test::shownPaths(MountPoints::ofSystem());
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
    list.setPath(NativePath(path));
    EXPECT_EQ(list.path().bytes(), path);
    QStringList shown;
    for (QTreeWidgetItemIterator it(&list); *it; ++it) {
        shown << (*it)->text(0);
    }
    EXPECT_EQ(shown.first(), "/");
    EXPECT_EQ(shown.mid(shown.size() - 3),
              QStringList({dir.path().filename().c_str(), "a b", "b"}));

    EXPECT_THROW(list.setPath(NativePath(path + "/missing")), Error);
    EXPECT_THROW(list.setPath(NativePath(path + "/file.txt")), Error);
    EXPECT_EQ(list.path().bytes(), path);
    list.setPath(NativePath(QByteArray("/")));
    EXPECT_EQ(list.path().bytes(), "/");
}

// A picture box of 104 x 44 pixels, scaled to 100 steps across and 5 down, cleared.
class PictureBoxDrawing : public ::testing::Test {
  protected:
    PictureBoxDrawing() {
        pic1.setGeometry(0, 0, 104, 44);
        pic1.scale(0, 0, 100, 5);
        pic1.cls();
    }
    QWidget parent;
    PictureBox pic1{&parent};
};

TEST_F(PictureBoxDrawing, KeepsItsDrawingInUserCoordinates) {
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

TEST_F(PictureBoxDrawing, DrawsAtTheScreensPixelRatio) {
    const qreal ratio = pic1.devicePixelRatioF();
    if (qgetenv("QT_SCALE_FACTOR") == "2") {
        EXPECT_EQ(ratio, 2.0);  // so that this run draws at twice the pixels
    }
    EXPECT_EQ(pic1.image().devicePixelRatio(), ratio);
    EXPECT_EQ(pic1.image().size(), (QSizeF(pic1.contentsRect().size()) * ratio).toSize());
    pic1.box(0, 0, 50, 5, Qt::red);
    const QImage& image = pic1.image();
    EXPECT_EQ(image.pixelColor(image.width() / 2 - 2, image.height() / 2), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(image.width() / 2 + 2, image.height() / 2), QColor(Qt::red));
}

}  // namespace
}  // namespace morsela
