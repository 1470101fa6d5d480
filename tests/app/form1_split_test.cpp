#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <map>

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

using Form1Split = test::ShownWindow;

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

TEST_F(Form1Split, AnotherFilesSplitInTheWayIsReplacedOnlyWhenTheUserSaysYes) {
    test::writeFile(in / "holiday.mkv", test::patternBytes(9000));
    test::writeFile(in / "holiday.mp4", test::patternBytes(5000, 2));
    ui.txtSize->setText("3");
    ui.txtFile->setText(QString::fromStdString(in / "holiday.mkv"));
    QString title;
    QString text;
    test::closeNextBox(&title, &text);
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    ASSERT_EQ(text, "Files Split");
    const auto before = test::namesIn(out.path());

    // No: nothing changes, and no error box follows the answer.
    ui.txtFile->setText(QString::fromStdString(in / "holiday.mp4"));
    QString question;
    QString questionTitle;
    test::whenModalOpens([&](QWidget* box) {
        question = test::textOf(box);
        questionTitle = test::titleOf(box);
        test::press(box, QMessageBox::No);
    });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    EXPECT_EQ(question, "Replace the pieces of holiday.mkv?");
    EXPECT_EQ(questionTitle, "Replace Pieces");  // a question, not the success box's title
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(test::namesIn(out.path()), before);

    // Yes: the other split is replaced whole, and the split is confirmed.
    test::whenModalOpens([&](QWidget* box) {
        test::press(box, QMessageBox::Yes);
        test::closeNextBox(&title, &text);
    });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    EXPECT_EQ(text, "Files Split");
    EXPECT_EQ(test::readFile(out / "holiday.bat"),
              "copy /b holiday.001+holiday.002 holiday.mp4\r\n");
    EXPECT_FALSE(fs::exists(out / "holiday.003"));
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

    // No file at all: said so, under the same headline, without a dangling colon.
    ui.txtFile->clear();
    QString detail;
    test::whenModalOpens([&](QWidget* box) {
        detail = test::detailOf(box);
        test::pressOk(box);
    });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    EXPECT_EQ(detail, "No file was chosen: type its path, or pick it with \"Open File\"");
}

// The files in the output directory.
std::size_t filesIn(const test::TempDir& dir) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
}

// A split of a 64 MiB file into 1 MiB pieces, with `duringSplit` run once, when the bar
// shows a twentieth; the split waits meanwhile, since it waits for every drawing.
class Form1Stop : public Form1Split {
  protected:
    void startLargeSplit(std::function<void()> duringSplit) {
        test::writeFile(in / "large.bin", test::patternBytes(64 * 1048576));
        ui.txtFile->setText(QString::fromStdString(in / "large.bin"));
        ui.txtSize->setText("1024");
        QObject::connect(ui.pic1, &PictureBox::drawn, &form, [this, duringSplit] {
            if (!done_ && ui.pic1->progress() >= 5) {
                done_ = true;
                duringSplit();
            }
        });
        QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    }

    // Answers "Stop the split?" with `answer`, noting the question and running `whileAsked`
    // first, then closes the box that follows (what the stop left, or the confirmation),
    // noting its title and detail.
    void answerStop(QMessageBox::StandardButton answer, std::function<void()> whileAsked = {}) {
        test::whenModalOpens([this, answer, whileAsked](QWidget* question) {
            questionText = test::textOf(question);
            questionRole = QAccessible::queryAccessibleInterface(question)->role();
            if (whileAsked) {
                whileAsked();
            }
            test::whenModalOpens([this](QWidget* box) {
                afterTitle = test::titleOf(box);
                afterDetail = test::detailOf(box);
                test::pressOk(box);
            });
            test::press(question, answer);
        });
    }

    QString questionText;
    QAccessible::Role questionRole = QAccessible::NoRole;
    QString afterTitle;
    QString afterDetail;

  private:
    bool done_ = false;
};

TEST_F(Form1Stop, ClosingTheWindowAsksAndYesStopsSaysWhatWasLeftAndCloses) {
    startLargeSplit([this] {
        answerStop(QMessageBox::Yes);
        form.close();
    });
    EXPECT_EQ(questionText, "Stop the split?");
    EXPECT_EQ(questionRole, QAccessible::AlertMessage);
    EXPECT_EQ(afterTitle, "Split Stopped");
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(fs::exists(out / "large.bat"));
    // What the box says is what is there: the whole pieces, without the one being written.
    const std::size_t left = filesIn(out);
    EXPECT_LT(left, 64u);
    EXPECT_TRUE(afterDetail.contains(QString("stopped; %1 whole piece").arg(left)))
        << afterDetail.toStdString();
    EXPECT_TRUE(afterDetail.contains("no rejoin script"));
}

TEST_F(Form1Stop, TheStoppedSplitsBoxRemovesItsWholePiecesWhenAskedAndNothingElse) {
    test::writeFile(out / "large.999", "a numbered file of the user's");
    startLargeSplit([this] {
        test::whenModalOpens([this](QWidget* question) {
            test::whenModalOpens([this](QWidget* box) {
                afterDetail = test::detailOf(box);
                for (QAbstractButton* button : qobject_cast<QMessageBox*>(box)->buttons()) {
                    if (button->text() == "&Remove Pieces") {
                        button->click();
                    }
                }
            });
            test::press(question, QMessageBox::Yes);
        });
        form.close();
    });
    EXPECT_TRUE(afterDetail.contains("Remove Pieces removes them")) << afterDetail.toStdString();
    EXPECT_EQ(test::namesIn(out.path()), std::vector<std::string>{"large.999"});
}

TEST_F(Form1Stop, EndAsksAndYesStopsThenEndsTheProgram) {
    startLargeSplit([this] {
        answerStop(QMessageBox::Yes);
        QTest::keyClick(&form, Qt::Key_E, Qt::AltModifier);  // End's access key, still active
        EXPECT_TRUE(QTest::qWaitFor([this] { return !questionText.isEmpty(); }, 2000));
    });
    EXPECT_EQ(afterTitle, "Split Stopped");
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(fs::exists(out / "large.bat"));
}

TEST_F(Form1Stop, WhileTheQuestionIsOpenTheSplitWaitsAndNoLetsItGoOnToItsEnd) {
    std::size_t filesWhenAsked = 0;
    std::size_t filesAfterAWhile = 0;
    startLargeSplit([&] {
        answerStop(QMessageBox::No, [&] {
            filesWhenAsked = filesIn(out);
            QTest::qWait(300);
            filesAfterAWhile = filesIn(out);
        });
        // End pressed from the event loop, with the split running on meanwhile.
        QTimer::singleShot(0, ui.cmdEnd, [this] { ui.cmdEnd->click(); });
    });
    EXPECT_GT(filesWhenAsked, 0u);
    EXPECT_EQ(filesAfterAWhile, filesWhenAsked);
    EXPECT_EQ(questionText, "Stop the split?");
    EXPECT_EQ(afterTitle, "Split Confirmation");
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(fs::exists(out / "large.bat"));
    EXPECT_EQ(filesIn(out), 65u);
}

TEST_F(Form1Stop, WhileASplitRunsOnlyEndTakesInputAndLooksActive) {
    std::map<QString, bool> enabledDuring;
    startLargeSplit([&] {
        for (QWidget* control : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            enabledDuring[control->objectName()] = control->isEnabled();
        }
        QTest::keyClicks(ui.txtSize, "99");
        QTest::keyClicks(ui.txtFile, "x");
        QTest::mouseClick(ui.cmdLoadfile, Qt::LeftButton);  // would open the file dialog
        test::whenModalOpens([](QWidget* box) { test::pressOk(box); });  // "Files Split"
    });
    const std::map<QString, bool> expected = {
        {"txtSavepath", false}, {"Dir1", false},    {"Drive1", false},  {"pic1", true},
        {"cmdLoadfile", false}, {"txtSize", false}, {"txtFile", false}, {"cmdEnd", true},
        {"cmdRun", false},      {"lblSave", false}, {"lblSize", false},
    };
    EXPECT_EQ(enabledDuring, expected);
    EXPECT_EQ(ui.txtSize->text(), "1024");
    EXPECT_EQ(ui.txtFile->text(), QString::fromStdString(in / "large.bin"));
    // Afterwards everything takes input again, but the output path, which never does.
    for (QWidget* control : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_EQ(control->isEnabled(), control != ui.txtSavepath)
            << control->objectName().toStdString();
    }
    EXPECT_EQ(form.focusWidget(), ui.cmdRun);  // the focus is back where it was
}

TEST_F(Form1Split, TextAfterTheSizeThatIsNoUnitIsNamedAndNothingIsWritten) {
    test::writeFile(in / "film.mkv", test::patternBytes(12 * 1048576));
    ui.txtFile->setText(QString::fromStdString(in / "film.mkv"));
    ui.txtSize->setText("10x");
    QString headline;
    QString detail;
    test::whenModalOpens([&](QWidget* box) {
        headline = test::textOf(box);
        detail = test::detailOf(box);
        test::pressOk(box);
    });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    EXPECT_EQ(headline, "Some error or somthing");
    EXPECT_TRUE(detail.contains("\"x\"")) << detail.toStdString();
    EXPECT_TRUE(detail.contains("type the size in kilobytes, such as 10240 for 10 MB"));
    EXPECT_TRUE(fs::is_empty(out.path()));

    // With a unit it splits: 10 MiB pieces of a 12 MiB file are two.
    ui.txtSize->setText("10M");
    EXPECT_EQ(ui.txtSize->toolTip(), "= 10 MiB, 2 pieces");
    test::whenModalOpens([](QWidget* box) { test::pressOk(box); });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    EXPECT_EQ(fs::file_size(out / "film.001"), 10u * 1048576);
    EXPECT_EQ(fs::file_size(out / "film.002"), 2u * 1048576);
    EXPECT_FALSE(fs::exists(out / "film.003"));
}

}  // namespace
}  // namespace morsela
