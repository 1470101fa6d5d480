// The window as a screen reader and a magnifier see it, through Qt's accessibility
// interfaces: a name and role for every control, labels tied to their fields, the picture box
// as a progress indicator during a split and as text after it, boxes that are alerts, a
// visible focus on every tab stop and a readable output path.

#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QTest>

#include "app/boxes/message_box.h"
#include "app/controls/legibility.h"
#include "app/form1.h"
#include "tests/app/form_controls.h"
#include "tests/app/modal.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

QAccessibleInterface* accessible(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    if (face == nullptr) {
        throw std::logic_error("no accessible interface");
    }
    return face;
}

using Accessibility = test::ShownWindow;

TEST_F(Accessibility, EveryControlHasANameAndARole) {
    struct Expected {
        QWidget* control;
        QAccessible::Role role;
        QString name;
    };
    const Expected expected[] = {
        {&form, QAccessible::Window, "Morsela Win"},
        {ui.txtFile, QAccessible::EditableText, "File to split"},
        {ui.txtSize, QAccessible::EditableText, "Size in KB of splits"},
        {ui.cmdRun, QAccessible::Button, "Do Stuff"},
        {ui.cmdEnd, QAccessible::Button, "End"},
        {ui.cmdLoadfile, QAccessible::Button, "Open File"},
        {ui.pic1, QAccessible::ProgressBar, "Split progress"},
        {ui.Drive1, QAccessible::ComboBox, "Output drive"},
        {ui.Dir1, QAccessible::Tree, "Output directory"},
        {ui.txtSavepath, QAccessible::EditableText, "Output directory path"},
        {ui.lblSize, QAccessible::StaticText, "Size in KB of splits"},
        {ui.lblSave, QAccessible::StaticText, "Output directory"},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.control->objectName().toStdString());
        QAccessibleInterface* face = accessible(e.control);
        EXPECT_EQ(face->role(), e.role);
        EXPECT_EQ(face->text(QAccessible::Name), e.name);
    }
    EXPECT_FALSE(accessible(ui.txtFile)->text(QAccessible::Description).isEmpty());
    // The output path is read, as text, though it takes neither focus nor typing.
    QAccessibleInterface* path = accessible(ui.txtSavepath);
    EXPECT_FALSE(path->state().focusable);
    EXPECT_EQ(path->text(QAccessible::Value), QString::fromStdString(out.dirText()));

    // The labels are their fields' buddies; a screen reader finds the size field's label
    // through it (Qt reports no relations for lists, so the directory list has its name).
    EXPECT_EQ(ui.lblSave->buddy(), ui.Dir1);
    const auto labels = accessible(ui.txtSize)->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.front().first->object(), ui.lblSize);
}

TEST_F(Accessibility, DuringASplitThePictureBoxIsAProgressIndicatorAndAfterItText) {
    const std::string source = in / "movie.bin";
    test::writeFile(source, test::patternBytes(16 * 1048576));
    ui.txtFile->setText(QString::fromStdString(source));
    ui.txtSize->setText("1024");
    QAccessibleInterface* pic1 = accessible(ui.pic1);
    std::vector<int> values;
    bool alwaysProgress = true;
    QObject::connect(ui.pic1, &PictureBox::drawn, [&] {
        if (ui.pic1->printedLines().isEmpty()) {
            alwaysProgress = alwaysProgress && pic1->role() == QAccessible::ProgressBar;
            values.push_back(pic1->valueInterface()->currentValue().toInt());
        }
    });
    QAccessible::Role boxRole = QAccessible::NoRole;
    test::whenModalOpens([&](QWidget* box) {
        boxRole = accessible(box)->role();
        test::pressOk(box);
    });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);

    EXPECT_TRUE(alwaysProgress);
    ASSERT_GE(values.size(), 3u);
    EXPECT_EQ(values.front(), 0);  // cleared at the start
    EXPECT_EQ(values.back(), 100);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_EQ(pic1->valueInterface(), nullptr);  // no value once it holds text
    EXPECT_EQ(boxRole, QAccessible::AlertMessage);

    EXPECT_EQ(pic1->role(), QAccessible::StaticText);
    const QString report = ui.pic1->printedLines().join('\n');
    EXPECT_TRUE(report.startsWith("Time it took to split\n "));
    EXPECT_EQ(pic1->text(QAccessible::Name), report);
    QAccessibleTextInterface* text = pic1->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(0, text->characterCount()), report);
}

TEST_F(Accessibility, ErrorBoxesAreAlertsAndBoxesAreWideEnoughForTheirTitles) {
    ui.txtSize->setText("40");  // and no file: an error
    QAccessible::Role role = QAccessible::NoRole;
    test::whenModalOpens([&](QWidget* box) {
        role = accessible(box)->role();
        test::pressOk(box);
    });
    QTest::mouseClick(ui.cmdRun, Qt::LeftButton);
    EXPECT_EQ(role, QAccessible::AlertMessage);

    // "Split Confirmation" is wider than the box's text: the box grows to hold it beside a
    // title bar's buttons.
    MessageBox box(QMessageBox::Information, "Split Confirmation", "Files Split", QMessageBox::Ok,
                   &form);
    int width = 0;
    test::whenModalOpens([&](QWidget* shown) {
        width = shown->width();
        test::pressOk(shown);
    });
    box.exec();
    QFont bold = QApplication::font();
    bold.setBold(true);
    EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance("Split Confirmation") + 100);
}

// How many pixels along the image's edges, up to four deep, have exactly this colour.
int edgePixelsOf(const QImage& image, const QColor& colour) {
    constexpr int kDepth = 4;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool edge = x < kDepth || y < kDepth || x >= image.width() - kDepth ||
                              y >= image.height() - kDepth;
            count += edge && image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

TEST_F(Accessibility, ThePictureBoxAndTheDirectoryListShowTheFocus) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    for (QWidget* control : {static_cast<QWidget*>(ui.pic1), static_cast<QWidget*>(ui.Dir1)}) {
        SCOPED_TRACE(control->objectName().toStdString());
        const QColor highlight = control->palette().color(QPalette::Active, QPalette::Highlight);
        ui.txtFile->setFocus();
        const QImage without = control->grab().toImage();
        control->setFocus();
        ASSERT_TRUE(control->hasFocus());
        const QImage with = control->grab().toImage();
        // A frame of the highlight colour around the control, at least a pixel all round.
        EXPECT_GE(edgePixelsOf(with, highlight) - edgePixelsOf(without, highlight),
                  2 * (control->width() + control->height()) - 8);
    }
}

TEST_F(Accessibility, TheOutputPathReadsWithAContrastOfAtLeastFourAndAHalf) {
    ASSERT_FALSE(ui.txtSavepath->isEnabled());
    ui.txtSavepath->setText("/home/user/Downloads/holiday/");
    const QImage image = ui.txtSavepath->grab().toImage();
    // Inside the frame: the background is the commonest colour and the text the one that
    // differs most from it.
    std::map<QRgb, int> counts;
    for (int y = 3; y < image.height() - 3; ++y) {
        for (int x = 3; x < image.width() - 3; ++x) {
            ++counts[image.pixel(x, y)];
        }
    }
    const QColor background(std::max_element(counts.begin(), counts.end(), [](auto a, auto b) {
                                return a.second < b.second;
                            })->first);
    double best = 1.0;
    for (const auto& [rgb, n] : counts) {
        best = std::max(best, contrastRatio(QColor(rgb), background));
    }
    EXPECT_GE(best, 4.5);
}

}  // namespace
}  // namespace morsela
