// Names that look like markup show literally wherever the window shows a name: in error
// boxes, the notices under the confirmation, the stop box and tooltips. Qt would otherwise
// render them as rich text (a huge green "ALL PIECES WRITTEN", an image fetched).

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTextDocument>
#include <QTreeWidgetItemIterator>
#include <filesystem>

#include "app/form1.h"
#include "app/window_observer.h"
#include "tests/app/form_controls.h"
#include "tests/app/modal.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

const std::string kFontName = "<font size=7 color=#00ff00>ALL PIECES WRITTEN<br>.zip";
const std::string kImageName = "<img src=x.png>.zip";

// What a text shows as Qt shows tooltips: rich text when it looks like markup.
QString shownAsToolTip(const QString& tip) {
    if (!Qt::mightBeRichText(tip)) {
        return tip;
    }
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

// What every label of a box shows; fails the test for a label that would render rich text.
QString shownByLabels(QWidget* box) {
    QStringList shown;
    for (QLabel* label : box->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
            EXPECT_FALSE(label->openExternalLinks());
            shown << label->text();
        }
    }
    return shown.join('\n');
}

TEST(PlainText, AFailingSplitOfANameThatLooksLikeMarkupShowsTheNameAsItIs) {
    test::TempDir in;
    Form1 form(test::fixedDrives({"/"}));
    const test::FormControls ui(form);
    ui.Dir1->setPath(NativePath(in.path().string()));
    for (const std::string& name : {kFontName, kImageName}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Qt::mightBeRichText(QString::fromStdString(name)));
        test::writeFile(in / name, "pieces");
        ui.txtFile->setText(QString::fromStdString(in / name));
        ui.txtSize->setText("1");
        QString shown;
        QString detail;
        test::whenModalOpens([&](QWidget* box) {
            shown = shownByLabels(box);
            detail = test::detailOf(box);
            test::pressOk(box);
        });
        QTest::mouseClick(ui.cmdRun, Qt::LeftButton);  // refused: < and > are no Windows names
        EXPECT_TRUE(detail.startsWith(QString::fromStdString(in / name) + ": "))
            << detail.toStdString();
        EXPECT_TRUE(shown.contains(detail)) << shown.toStdString();
        EXPECT_TRUE(fs::exists(in / name));
    }
}

TEST(PlainText, NoticesUnderTheConfirmationAndTheStopBoxShowNamesAsTheyAre) {
    QWidget window;
    PictureBox pic1(&window);
    WindowObserver observer(pic1, window);
    const QString markup = QString::fromStdString("/out/" + kFontName);

    observer.begin();
    observer.notice({"/out/" + kFontName, "an earlier piece is still there"});
    QString confirmation;
    test::whenModalOpens([&](QWidget* box) {
        confirmation = shownByLabels(box);
        test::pressOk(box);
    });
    observer.completed();
    EXPECT_TRUE(confirmation.contains(markup + ": an earlier piece is still there"))
        << confirmation.toStdString();

    QString stopped;
    test::whenModalOpens([&](QWidget* box) {
        stopped = shownByLabels(box);
        test::pressOk(box);
    });
    observer.failed(Error::stopped("/out/" + kImageName, "stopped; 2 whole pieces are left"));
    EXPECT_TRUE(stopped.contains(QString::fromStdString("/out/" + kImageName + ": stopped")))
        << stopped.toStdString();
}

TEST(PlainText, TooltipsOfDirectoriesDrivesAndTheSizeShowTheirTextAsItIs) {
    test::TempDir dir;
    const fs::path markupDir = dir.path() / "<img src=x.png>";
    const fs::path stick = dir.path() / "<b>STICK</b>";
    fs::create_directories(markupDir);
    fs::create_directories(stick);
    Form1 form(test::fixedDrives({"/", QString::fromStdString(stick.string())}));
    const test::FormControls ui(form);

    ui.Dir1->setPath(NativePath(markupDir.string()));
    QTreeWidgetItem* current = ui.Dir1->currentItem();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(shownAsToolTip(current->toolTip(0)), QString::fromStdString(markupDir.string()));

    const int drive = ui.Drive1->findData(QByteArray::fromStdString(stick.string()));
    ASSERT_GE(drive, 0);
    EXPECT_EQ(shownAsToolTip(ui.Drive1->itemData(drive, Qt::ToolTipRole).toString()),
              QString::fromStdString(stick.string()));

    ui.txtSize->setText("5<img src=x.png>");
    EXPECT_TRUE(shownAsToolTip(ui.txtSize->toolTip()).startsWith("\"<img src=x.png>\" in the size"))
        << ui.txtSize->toolTip().toStdString();
    EXPECT_EQ(ui.txtSize->accessibleDescription(), shownAsToolTip(ui.txtSize->toolTip()));
}

}  // namespace
}  // namespace morsela
