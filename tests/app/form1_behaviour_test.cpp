#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "app/form1.h"
#include "tests/app/form_controls.h"
#include "tests/app/modal.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

QString q(const std::string& text) {
    return QString::fromStdString(text);
}
NativePath b(const std::string& path) {
    return NativePath(path);
}

// Runs the test in a temporary working directory, with temporary directories as drives.
class Form1Behaviour : public ::testing::Test {
  protected:
    Form1Behaviour() : previous_(fs::current_path()) {
        fs::create_directories(driveA.path() / "work" / "out");
        fs::create_directories(driveB.path() / "data");
        fs::current_path(driveA.path() / "work");
    }
    ~Form1Behaviour() override { fs::current_path(previous_); }

    // The drives this machine shows the window; a test may mount or unmount one meanwhile.
    MountPoints::Source drives() {
        mounted = {"/", q(driveA.path()), q(driveB.path())};
        return [this] { return test::nativePaths(mounted); };
    }
    QStringList mounted;

    void showActive(Form1& form) {
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    test::TempDir driveA;
    test::TempDir driveB;
    fs::path previous_;
};

TEST_F(Form1Behaviour, StartUpShowsTheWorkingDirectoryAsOutputDirectory) {
    Form1 form(drives());
    const test::FormControls ui(form);
    const std::string expected = (driveA.path() / "work").string() + "/";
    EXPECT_EQ(ui.txtSavepath->text(), q(expected));
    EXPECT_EQ(form.outputDir().toStdString(), expected);
    EXPECT_EQ(ui.Dir1->path(), b((driveA.path() / "work").string()));
    EXPECT_EQ(ui.Drive1->currentData().toString(), q(driveA.path()));
}

TEST_F(Form1Behaviour, OpeningADirectoryInTheListMakesItTheOutputDirectory) {
    Form1 form(drives());
    const test::FormControls ui(form);
    QSignalSpy changes(ui.Dir1, &DirListBox::change);
    QTreeWidgetItem* out =
        ui.Dir1->findItems("out", Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(out, nullptr);
    emit ui.Dir1->itemActivated(out, 0);
    const std::string expected = (driveA.path() / "work" / "out").string() + "/";
    EXPECT_EQ(ui.txtSavepath->text(), q(expected));
    EXPECT_EQ(form.outputDir().toStdString(), expected);
    EXPECT_EQ(changes.count(), 1);

    // The root keeps its one separator rather than leaving the output directory stale.
    ui.Dir1->setPath(b("/"));
    EXPECT_EQ(ui.txtSavepath->text(), "/");
    EXPECT_EQ(form.outputDir().toStdString(), "/");
}

TEST_F(Form1Behaviour, AChangeOfDriveMovesToThatDrivesCurrentDirectory) {
    Form1 form(drives());
    const test::FormControls ui(form);
    showActive(form);
    const QString data = q((driveB.path() / "data").string());
    ui.Dir1->setPath(NativePath::fromShown(data));  // the directory last shown on drive B
    ui.Dir1->setPath(b((driveA.path() / "work").string()));

    QTest::keyClick(ui.Drive1, Qt::Key_Down);  // the user selects drive B
    ASSERT_EQ(ui.Drive1->currentData().toString(), q(driveB.path()));
    EXPECT_EQ(ui.Dir1->path(), NativePath::fromShown(data));
    EXPECT_EQ(ui.txtSavepath->text(), data + "/");  // Dir1_Change ran inside the change
    EXPECT_EQ(form.outputDir().toStdString(), data.toStdString() + "/");
}

TEST_F(Form1Behaviour, AnUnreadableDriveShowsAnErrorAndTheWindowStays) {
    Form1 form(test::fixedDrives({"/", q(driveA.path()), q(driveB.path() / "gone")}));
    const test::FormControls ui(form);
    showActive(form);
    QString title;
    QString text;
    test::closeNextBox(&title, &text);
    QTest::keyClick(ui.Drive1, Qt::Key_Down);
    EXPECT_EQ(title, "Error");
    EXPECT_EQ(text, "Disk not ready");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.outputDir().toStdString(), (driveA.path() / "work").string() + "/");
    EXPECT_EQ(ui.Drive1->currentData().toString(), q(driveA.path()));  // back on the list's drive
}

TEST_F(Form1Behaviour, OpenFileShowsBothFileTypesAndPutsTheChoiceIntoTheFileField) {
    Form1 form(drives());
    const test::FormControls ui(form);
    const std::string chosen = driveB / "report.zip";
    test::writeFile(chosen, "zip");
    for (int press = 0; press < 2; ++press) {
        QStringList filters;
        bool readOnlyTicked = false;
        test::whenModalOpens([&](QWidget* window) {
            auto* dialog = qobject_cast<QFileDialog*>(window);
            ASSERT_NE(dialog, nullptr);
            filters = dialog->nameFilters();
            readOnlyTicked = dialog->findChild<QCheckBox*>("readOnly")->isChecked();
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText("report.zip");  // typed
            QMetaObject::invokeMethod(dialog, "accept");
        });
        ui.txtFile->setText(q(driveB / "typed before.zip"));  // the dialog opens there
        QTest::mouseClick(ui.cmdLoadfile, Qt::LeftButton);
        EXPECT_EQ(filters, QStringList({"ALL files (*)", "INI files (*.ini)"}));
        EXPECT_TRUE(readOnlyTicked);
        EXPECT_EQ(ui.txtFile->text(), q(chosen));
    }
}

TEST_F(Form1Behaviour, ACancelledDialogLeavesTheFileFieldAsItWas) {
    Form1 form(drives());
    const test::FormControls ui(form);
    ui.txtFile->setText(q(driveB / "typed.zip"));
    QString openedIn;
    test::whenModalOpens([&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        openedIn = dialog->directory().absolutePath();
        dialog->reject();
    });
    QTest::mouseClick(ui.cmdLoadfile, Qt::LeftButton);
    EXPECT_EQ(ui.txtFile->text(), q(driveB / "typed.zip"));
    EXPECT_EQ(openedIn, q(driveB.path()));
}

TEST_F(Form1Behaviour, AltEEndsTheProgramFromAnyControlButEnterAndEscPressNothing) {
    Form1 form(drives());
    const test::FormControls ui(form);
    showActive(form);
    QSignalSpy run(ui.cmdRun, &QPushButton::clicked);
    QSignalSpy open(ui.cmdLoadfile, &QPushButton::clicked);
    QSignalSpy end(ui.cmdEnd, &QPushButton::clicked);
    for (QWidget* field : {ui.txtFile, ui.txtSize}) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClick(field, Qt::Key_Enter);
        QTest::keyClick(field, Qt::Key_Escape);
    }
    EXPECT_EQ(run.count() + open.count() + end.count(), 0);
    EXPECT_TRUE(form.isVisible());

    ui.Dir1->setFocus();
    QTest::keyClick(ui.Dir1, Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return end.count() > 0; }, 2000));  // an animated click
    EXPECT_EQ(end.count(), 1);
    EXPECT_FALSE(form.isVisible());
}

TEST(Form1StartUp, WithoutADisplayTheProgramSaysSoAndExitsWithOne) {
    const std::string command =
        std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ") + MORSELA_WIN +
        " 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        output += buffer;
    }
    const int status = ::pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(output.find("no display"), std::string::npos) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1);
}

}  // namespace
}  // namespace morsela
