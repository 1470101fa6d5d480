// The window as a new user meets it: it starts beside the file it was opened on, asks before
// a split of more pieces than anyone means by accident, says what to do after a failure and
// puts the focus where the fault is, forgets the last report once a new split is set up, and
// tells a screen reader where the pieces go.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/form1.h"
#include "app/size_field.h"
#include "tests/app/form_controls.h"
#include "tests/app/modal.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

QString q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

using Form1Guidance = test::ShownWindow;

TEST_F(Form1Guidance, OpenedOnAFileTheWindowWritesBesideIt) {
    fs::create_directories(in.path() / "films");
    test::writeFile(in.path() / "films" / "film.mkv", "film");
    Form1 opened(test::fixedDrives({"/"}));
    opened.setSourceFile(NativePath((in.path() / "films" / "film.mkv")));
    EXPECT_EQ(opened.outputDir().toStdString(), (in.path() / "films").string() + "/");
    EXPECT_EQ(test::FormControls(opened).txtFile->text(), q(in.path() / "films" / "film.mkv"));
}

TEST_F(Form1Guidance, ASplitOfMoreThanAThousandPiecesIsAskedForAndNoIsTheDefault) {
    test::writeFile(in / "film.mkv", test::patternBytes(2 * 1048576));
    ui.txtFile->setText(q(in / "film.mkv"));
    ui.txtSize->setText("1");  // a unit left off: 2,048 pieces
    QString title;
    QString question;
    bool noIsDefault = false;
    test::whenModalOpens([&](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        title = test::titleOf(window);
        question = test::textOf(window);
        noIsDefault = box != nullptr && box->defaultButton() == box->button(QMessageBox::No);
        QTest::keyClick(window, Qt::Key_Return);  // Enter takes the default
    });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    EXPECT_EQ(title, "Many Pieces");
    EXPECT_EQ(question, "Split film.mkv into 2,048 pieces of 1 KiB?");
    EXPECT_TRUE(noIsDefault);
    EXPECT_TRUE(fs::is_empty(out.path()));

    // Yes splits; a thousand pieces are no question.
    test::whenModalOpens([](QWidget* box) {
        test::whenModalOpens([](QWidget* done) { test::pressOk(done); });
        test::press(box, QMessageBox::Yes);
    });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    EXPECT_TRUE(fs::exists(out / "film.2048"));
    ui.txtSize->setText("2.048828125");  // 2,098 bytes: 1,000 pieces
    QString next;
    test::whenModalOpens([&](QWidget* box) {
        next = test::textOf(box);
        test::pressOk(box);
    });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    EXPECT_EQ(next, "Files Split");
}

// Runs Do Stuff, closes the error box and gives its detail.
QString failureDetail(const test::FormControls& ui) {
    QString detail;
    test::whenModalOpens([&](QWidget* box) {
        detail = test::detailOf(box);
        test::pressOk(box);
    });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    return detail;
}

TEST_F(Form1Guidance, AfterAnErrorBoxTheFocusIsOnTheControlItIsAbout) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ui.txtSize->setText("1024");
    ui.txtFile->setText(q(in / "missing.zip"));
    failureDetail(ui);
    EXPECT_EQ(form.focusWidget(), ui.txtFile);
    EXPECT_EQ(ui.txtFile->selectedText(), ui.txtFile->text());  // typing replaces it

    test::writeFile(in / "a.zip", "zip");
    ui.txtFile->setText(q(in / "a.zip"));
    ui.txtSize->setText("12abc");
    ui.cmdRun->setFocus();
    failureDetail(ui);
    EXPECT_EQ(form.focusWidget(), ui.txtSize);
}

TEST_F(Form1Guidance, FailuresSayWhatToChooseInstead) {
    EXPECT_EQ(readSizeField("1,5").problem,
              "The size \"1,5\" has a comma; write the decimals after a point: \"1.5\"");
    EXPECT_TRUE(readSizeField(" 2,25M ").problem.endsWith(": \"2.25M\""));
    EXPECT_FALSE(readSizeField("1,5x").problem.contains("comma"));

    ui.txtFile->setText(q(in.path()));
    ui.txtSize->setText("10");
    EXPECT_TRUE(
        failureDetail(ui).endsWith("Is a directory\nThis is a directory: type the path "
                                   "of a file in it, or pick one with \"Open File\"."));

    const fs::path readOnly = out.path() / "dvd";
    fs::create_directory(readOnly);
    if (::mount("tmpfs", readOnly.c_str(), "tmpfs", MS_RDONLY, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a read-only file system here: " << std::strerror(errno);
    }
    test::writeFile(in / "a.zip", "zip");
    ui.txtFile->setText(q(in / "a.zip"));
    ui.Dir1->setPath(NativePath(readOnly.string()));
    const QString detail = failureDetail(ui);
    ::umount(readOnly.c_str());
    EXPECT_TRUE(
        detail.contains("Read-only file system\nNothing can be written on this drive: "
                        "choose a directory on another one"))
        << detail.toStdString();
    EXPECT_EQ(form.focusWidget(), ui.Dir1);
}

TEST_F(Form1Guidance, BlanksAroundAPastedPathAreNoPartOfTheName) {
    test::writeFile(in / "film.mkv", test::patternBytes(3000));
    test::writeFile(in / " notes.txt", "a name that begins with a blank");
    ui.txtSize->setText("1");
    QString text;
    QString title;
    for (const QString& typed : {"  " + q(in / "film.mkv") + " \t", q(in / " notes.txt")}) {
        ui.txtFile->setText(typed);
        test::closeNextBox(&title, &text);
        QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
        EXPECT_EQ(text, "Files Split") << typed.toStdString();
    }
    EXPECT_EQ(test::readFile(out / "film.003"), test::patternBytes(3000).substr(2048));
    EXPECT_TRUE(fs::exists(out / " notes.bat"));
}

TEST_F(Form1Guidance, ANewSplitBeingSetUpClearsTheLastOnesTime) {
    test::writeFile(in / "a.zip", test::patternBytes(5000));
    ui.txtFile->setText(q(in / "a.zip"));
    ui.txtSize->setText("2");
    QString title;
    QString text;
    test::closeNextBox(&title, &text);
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    ASSERT_EQ(ui.pic1->printedLines().value(0), "Time it took to split");
    ui.txtSize->setText("3");
    EXPECT_TRUE(ui.pic1->printedLines().isEmpty());
}

TEST_F(Form1Guidance, AScreenReaderHearsTheFullPathOfTheOutputDirectory) {
    fs::create_directories(out.path() / "work" / "films");
    ui.Dir1->setPath(NativePath((out.path() / "work").string()));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(ui.Dir1);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->text(QAccessible::Description).contains(q(out.path() / "work") + "/"))
        << list->text(QAccessible::Description).toStdString();
    QStringList described;
    for (int i = 0; i < list->childCount(); ++i) {
        described << list->child(i)->text(QAccessible::Description);
    }
    EXPECT_TRUE(described.contains(q(out.path() / "work"))) << described.join(" | ").toStdString();
    EXPECT_TRUE(described.contains(q(out.path() / "work" / "films")))
        << described.join(" | ").toStdString();
}

TEST(DriveList, DrivesOfTheSameLastNameAreToldApart) {
    test::TempDir first;
    test::TempDir second;
    fs::create_directory(first / "m");
    fs::create_directory(second / "m");
    Form1 form(test::fixedDrives({"/", q(first / "m"), q(second / "m")}));
    const test::FormControls ui(form);
    ASSERT_EQ(ui.Drive1->count(), 3);
    EXPECT_TRUE(ui.Drive1->itemText(1).startsWith(q(first / "m") + " ("))
        << ui.Drive1->itemText(1).toStdString();
    EXPECT_TRUE(ui.Drive1->itemText(2).startsWith(q(second / "m") + " ("));
}

}  // namespace
}  // namespace morsela
