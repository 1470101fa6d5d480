// The window on a real desktop: drives that come and go while it is open, files dropped on
// it, Enter on a focused button, paths that are not UTF-8, deep directories, a wide file
// dialog and a sharp picture box at any scale factor.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>
#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/form1.h"
#include "app/form_layout.h"
#include "tests/app/form_controls.h"
#include "tests/app/modal.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

QString q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// A window on two drives of temporary directories, in the first one's "work".
class Desktop : public ::testing::Test {
  protected:
    Desktop() : previous_(fs::current_path()) {
        fs::create_directories(driveA.path() / "work");
        fs::create_directories(driveB.path() / "photos");
        fs::current_path(driveA.path() / "work");
        mounted = {"/", q(driveA.path())};
    }
    ~Desktop() override { fs::current_path(previous_); }

    MountPoints::Source machine() {
        return [this] { return test::nativePaths(mounted); };
    }
    QStringList listed(DriveListBox* list) const {
        QStringList mountPoints;
        for (int i = 0; i < list->count(); ++i) {
            mountPoints << list->itemData(i).toString();
        }
        return mountPoints;
    }

    test::TempDir driveA;
    test::TempDir driveB;
    QStringList mounted;
    fs::path previous_;
};

TEST_F(Desktop, TheDriveListFollowsSticksMountedAndUnmountedWhileTheWindowIsOpen) {
    Form1 form(machine());
    const test::FormControls ui(form);
    EXPECT_EQ(listed(ui.Drive1), QStringList({"/", q(driveA.path())}));

    mounted << q(driveB.path());  // a stick is plugged in
    ui.Drive1->showPopup();
    ui.Drive1->hidePopup();
    ASSERT_EQ(listed(ui.Drive1), mounted);
    const int stick = 2;
    EXPECT_EQ(ui.Drive1->itemData(stick, Qt::ToolTipRole).toString(), q(driveB.path()));
    EXPECT_TRUE(ui.Drive1->itemText(stick).startsWith(q(driveB.path()) + " ("));
    EXPECT_TRUE(ui.Drive1->itemText(stick).contains("free"));
    EXPECT_EQ(ui.Drive1->currentData().toString(), q(driveA.path()));  // still on A

    // Pulled out between opening the list and choosing it: the drive is not ready.
    mounted.removeLast();
    QString title;
    QString text;
    test::closeNextBox(&title, &text);
    ui.Drive1->setCurrentIndex(stick);
    emit ui.Drive1->activated(stick);
    EXPECT_EQ(text, "Disk not ready");
    EXPECT_EQ(listed(ui.Drive1), mounted);
    EXPECT_EQ(ui.Drive1->currentData().toString(), q(driveA.path()));
    EXPECT_EQ(form.outputDir().toStdString(), (driveA.path() / "work").string() + "/");
}

TEST_F(Desktop, ReadOnlyVolumesAreMarkedAndSingleFilesAreNoDrives) {
    const fs::path readOnly = driveB.path() / "ro";
    const fs::path file = driveB.path() / "hosts";
    fs::create_directory(readOnly);
    test::writeFile(file.string(), "a file");
    if (::mount("tmpfs", readOnly.c_str(), "tmpfs", MS_RDONLY, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a read-only file system here: " << std::strerror(errno);
    }
    const bool boundFile = ::mount("/etc/hostname", file.c_str(), nullptr, MS_BIND, nullptr) == 0;
    const QStringList system = test::shownPaths(MountPoints::ofSystem());
    mounted << q(readOnly);
    {
        Form1 form(machine());
        const test::FormControls ui(form);
        EXPECT_TRUE(ui.Drive1->itemText(2).endsWith(", read-only)"))
            << ui.Drive1->itemText(2).toStdString();
    }
    EXPECT_TRUE(system.contains(q(readOnly)));
    EXPECT_FALSE(system.contains(q(file)));
    if (boundFile) {
        ::umount(file.c_str());
    }
    ::umount(readOnly.c_str());
}

TEST_F(Desktop, ADroppedFileNamesTheSourceAndNothingElseHappens) {
    Form1 form(machine());
    const test::FormControls ui(form);
    form.show();
    auto drop = [&](const QList<QUrl>& urls, QWidget* target) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = target->mapTo(&form, target->rect().center());
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &dropped);
        return enter.isAccepted();
    };
    const fs::path file = driveB.path() / "photos" / "holiday pictures.zip";
    test::writeFile(file.string(), "zip");
    EXPECT_TRUE(drop({QUrl::fromLocalFile(q(file))}, ui.txtFile));
    EXPECT_EQ(ui.txtFile->text(), q(file));  // the path, not file:///...
    EXPECT_TRUE(drop({QUrl::fromLocalFile(q(driveA.path() / "other.iso"))}, ui.pic1));
    EXPECT_EQ(ui.txtFile->text(), q(driveA.path() / "other.iso"));

    drop({QUrl("https://example.org/archive.zip")}, ui.txtFile);
    EXPECT_EQ(ui.txtFile->text(), q(driveA.path() / "other.iso"));  // refused, kept
    EXPECT_EQ(QToolTip::text(), "Only files on this computer can be split");
    EXPECT_TRUE(ui.pic1->printedLines().isEmpty());  // dropping never starts a split
    EXPECT_TRUE(fs::is_empty(driveA.path() / "work"));
}

TEST_F(Desktop, EnterPressesTheFocusedButtonButNotFromAField) {
    Form1 form(machine());
    const test::FormControls ui(form);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QSignalSpy runs(ui.cmdRun, &QPushButton::clicked);
    QString text;
    QString title;
    test::closeNextBox(&title, &text);  // the split of nothing fails with a box
    ui.cmdRun->setFocus();
    QTest::keyClick(ui.cmdRun, Qt::Key_Return);
    EXPECT_TRUE(runs.wait(1000));
    EXPECT_EQ(runs.count(), 1);

    ui.txtSize->setFocus();
    QTest::keyClick(ui.txtSize, Qt::Key_Return);
    QTest::keyClick(ui.txtSize, Qt::Key_Escape);
    QTest::qWait(300);
    EXPECT_EQ(runs.count(), 1);
}

TEST_F(Desktop, PathsThatAreNotUtf8AreKeptAsTheirBytes) {
    const std::string odd = (driveA.path() /
                             "x\xff"
                             "y")
                                .string();
    ASSERT_EQ(::mkdir(odd.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((odd + "/sub\xfe").c_str(), 0755), 0);
    fs::current_path(odd);
    Form1 form(machine());
    const test::FormControls ui(form);
    EXPECT_EQ(ui.Dir1->path().bytes(), QByteArray::fromStdString(odd));
    EXPECT_EQ(form.outputDir().toStdString(), odd + "/");

    QTreeWidgetItem* sub = ui.Dir1->currentItem()->child(0);
    ASSERT_NE(sub, nullptr);
    emit ui.Dir1->itemActivated(sub, 0);  // opening it works like any other
    EXPECT_EQ(form.outputDir().toStdString(), odd + "/sub\xfe/");
}

TEST_F(Desktop, ADeepCurrentDirectoryStaysInView) {
    fs::path deep = driveA.path();
    for (int i = 0; i < 9; ++i) {
        deep /= std::string(48, static_cast<char>('a' + i));
    }
    fs::create_directories(deep);
    Form1 form(machine());
    const test::FormControls ui(form);
    form.show();
    ui.Dir1->setPath(NativePath(deep.string()));
    QApplication::processEvents();
    const QRect current = ui.Dir1->visualItemRect(ui.Dir1->currentItem());
    EXPECT_GT(ui.Dir1->horizontalScrollBar()->maximum(), 0);
    EXPECT_TRUE(ui.Dir1->viewport()->rect().intersects(current));
    EXPECT_GE(current.left(), 0);
}

TEST_F(Desktop, TheFileDialogIsWideEnoughForItsColumns) {
    Form1 form(machine());
    const test::FormControls ui(form);
    int width = 0;
    int minimum = 0;
    test::whenModalOpens([&](QWidget* window) {
        width = window->width();
        minimum = window->fontMetrics().averageCharWidth() * 100;
        QMetaObject::invokeMethod(window, "reject");
    });
    QTest::mouseClick(ui.cmdLoadfile, Qt::LeftButton);
    EXPECT_GE(width, minimum);
}

TEST(Layout, AControlWithoutAPlaceIsAnErrorNotTheFirstPlace) {
    EXPECT_EQ(placeOf("txtFile").left, 1800);
    EXPECT_THROW(placeOf("txtFiel"), std::logic_error);
}

}  // namespace
}  // namespace morsela
