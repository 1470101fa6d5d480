#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>
#include <filesystem>

#include "app/form1.h"
#include "tests/app/form_controls.h"
#include "tests/app/modal.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

// True when the picture box shows red at the left end of the bar.
bool showsRedBar(const PictureBox& pic1) {
    const QImage& image = pic1.image();
    return !image.isNull() && image.pixelColor(1, image.height() / 2) == QColor(255, 0, 0);
}

class Form1Split : public ::testing::Test {
  protected:
    Form1Split() : form(test::fixedDrives({"/"})), ui(form) {
        ui.Dir1->setPath(NativePath(out.path().string()));
        form.show();
        QApplication::setActiveWindow(&form);
    }

    test::TempDir in;
    test::TempDir out;
    Form1 form;
    const test::FormControls ui;
};

TEST_F(Form1Split, DoStuffSplitsDrawsTheRedBarAndReports) {
    const std::string source = in / "archive.zip";
    test::writeFile(source, test::patternBytes(5 * 1048576 + 3));
    ui.txtFile->setText(QString::fromStdString(source));
    ui.txtSize->setText("1024");

    bool sawRed = false;
    QObject::connect(ui.pic1, &PictureBox::drawn,
                     [&] { sawRed = sawRed || showsRedBar(*ui.pic1); });
    QString title;
    QString text;
    QStringList reportDuringBox;
    test::whenModalOpens([&](QWidget* box) {
        title = test::titleOf(box);
        text = test::textOf(box);
        reportDuringBox = ui.pic1->printedLines();
        test::pressOk(box);
    });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);

    EXPECT_EQ(title, "Split Confirmation");
    EXPECT_EQ(text, "Files Split");
    EXPECT_TRUE(sawRed);
    ASSERT_EQ(reportDuringBox.size(), 2);
    EXPECT_EQ(reportDuringBox[0], "Time it took to split");
    EXPECT_GE(reportDuringBox[1].toDouble(), 0.0);
    EXPECT_EQ(ui.pic1->printedLines(), reportDuringBox);  // kept after the box closes
    EXPECT_FALSE(showsRedBar(*ui.pic1));                  // the report replaced the bar

    EXPECT_EQ(test::readFile(out / "archive.bat"),
              "copy /b archive.001+archive.002+archive.003+archive.004+archive.005+archive.006 "
              "archive.zip\r\n");
    std::string joined;
    for (int i = 1; i <= 6; ++i) {
        joined += test::readFile(out / ("archive.00" + std::to_string(i)));
    }
    EXPECT_EQ(joined, test::readFile(source));
}

TEST_F(Form1Split, AFailedSplitShowsItsErrorAndTheWindowStays) {
    ui.txtFile->setText(QString::fromStdString(in / "missing.zip"));
    ui.txtSize->setText("40");
    QString title;
    QString text;
    test::closeNextBox(&title, &text);
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    EXPECT_EQ(title, "Error");
    EXPECT_EQ(text, "File not found. Try again");
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(fs::is_empty(out.path()));
    EXPECT_FALSE(fs::exists(in / "missing.zip"));
}

TEST_F(Form1Split, ClosingTheWindowDuringASplitStopsItWithoutAScript) {
    const std::string source = in / "large.bin";
    test::writeFile(source, test::patternBytes(64 * 1048576));
    ui.txtFile->setText(QString::fromStdString(source));
    ui.txtSize->setText("1024");
    // Close as soon as the first hundredth of the bar is drawn.
    QObject::connect(ui.pic1, &PictureBox::drawn, &form, [&] {
        if (showsRedBar(*ui.pic1)) {
            form.close();
        }
    });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(fs::exists(out / "large.bat"));
    EXPECT_LT(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 64);
}

TEST_F(Form1Split, TheWindowTakesNoInputWhileASplitRuns) {
    const std::string source = in / "input.bin";
    test::writeFile(source, test::patternBytes(8 * 1048576));
    ui.txtFile->setText(QString::fromStdString(source));
    ui.txtSize->setText("1024");
    int endClicks = 0;
    QObject::connect(ui.cmdEnd, &QPushButton::clicked, [&] { ++endClicks; });
    bool typedDuringSplit = false;
    QObject::connect(ui.pic1, &PictureBox::drawn, &form, [&] {
        if (!typedDuringSplit && showsRedBar(*ui.pic1)) {
            typedDuringSplit = true;
            QTest::keyClicks(ui.txtSize, "99");
            QTest::mouseClick(ui.cmdEnd, Qt::LeftButton);
        }
    });
    test::whenModalOpens([](QWidget* box) { test::pressOk(box); });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    EXPECT_TRUE(typedDuringSplit);
    EXPECT_EQ(ui.txtSize->text(), "1024");
    EXPECT_EQ(endClicks, 0);
    EXPECT_TRUE(form.isVisible());
}

}  // namespace
}  // namespace morsela
