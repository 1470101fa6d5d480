#include <gtest/gtest.h>
#include <QApplication>
#include <QFontMetrics>
#include <QTest>

#include "app/form1.h"
#include "app/form_layout.h"
#include "tests/app/form_controls.h"

namespace morsela {
namespace {

// A font small enough for the reference layout, as the old 8-point dialog font was.
class SmallFont {
  public:
    SmallFont() : previous_(QApplication::font()) {
        QFont small("DejaVu Sans");
        small.setPixelSize(8);
        QApplication::setFont(small);
    }
    ~SmallFont() { QApplication::setFont(previous_); }

  private:
    QFont previous_;
};

TEST(Form1Layout, AtTheReferenceSizeEveryControlStandsAtItsPlace) {
    SmallFont font;
    ASSERT_EQ(layoutFactor(QFontMetrics(QApplication::font())), 1.0);
    Form1 form(test::fixedDrives({"/"}));
    const test::FormControls ui(form);
    EXPECT_EQ(form.size(), QSize(343, 233));
    const std::pair<QWidget*, QRect> expected[] = {
        {ui.txtSavepath, {16, 88, 305, 19}}, {ui.Dir1, {16, 112, 145, 111}},
        {ui.Drive1, {104, 64, 65, 21}},      {ui.pic1, {168, 160, 153, 57}},
        {ui.cmdLoadfile, {16, 8, 89, 41}},   {ui.txtSize, {216, 40, 105, 19}},
        {ui.txtFile, {120, 8, 209, 19}},     {ui.cmdEnd, {264, 120, 57, 33}},
        {ui.cmdRun, {168, 120, 89, 33}},     {ui.lblSave, {16, 64, 81, 17}},
        {ui.lblSize, {120, 40, 97, 17}},
    };
    for (const auto& [control, rect] : expected) {
        EXPECT_EQ(control->geometry(), rect) << control->objectName().toStdString();
    }
}

TEST(Form1Layout, EveryCaptionFitsInTheFontThisMachineGives) {
    Form1 form(test::fixedDrives({"/"}));
    const test::FormControls ui(form);
    const QFontMetrics metrics = form.fontMetrics();
    for (QPushButton* button : {ui.cmdLoadfile, ui.cmdRun, ui.cmdEnd}) {
        const QString text = QString(button->text()).remove('&');
        EXPECT_LE(metrics.horizontalAdvance(text) + 8, button->width()) << text.toStdString();
        EXPECT_LE(metrics.height(), button->height());
    }
    for (QLabel* label : {ui.lblSave, ui.lblSize}) {
        EXPECT_LE(metrics.horizontalAdvance(label->text()), label->width())
            << label->text().toStdString();
    }
    EXPECT_LE(metrics.height() + 4, ui.txtFile->height());
    // The whole layout grows by one factor: the window keeps its proportions.
    EXPECT_NEAR(double(form.width()) / form.height(), 5145.0 / 3495.0, 0.02);
}

TEST(Form1Layout, TheFrameIsFixedWithCloseBoxOnly) {
    Form1 form(test::fixedDrives({"/"}));
    const test::FormControls ui(form);
    EXPECT_EQ(form.windowTitle(), "Morsela Win");
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(form.windowIcon().isNull());
    EXPECT_EQ(form.windowIcon().availableSizes().value(0), QSize(32, 32));
}

TEST(Form1Layout, TabVisitsTheControlsInOrderPassingLabelsAndTheOutputField) {
    Form1 form(test::fixedDrives({"/"}));
    const test::FormControls ui(form);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), ui.txtFile);
    EXPECT_TRUE(ui.txtFile->text().isEmpty());
    EXPECT_TRUE(ui.txtSize->text().isEmpty());

    QStringList forward;
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        forward << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(forward, QStringList({"txtSize", "cmdRun", "cmdEnd", "cmdLoadfile", "pic1", "Drive1",
                                    "Dir1", "txtFile"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), ui.Dir1);
}

TEST(Form1Layout, TheOutputFieldShowsTextButTakesNeitherFocusNorTyping) {
    Form1 form(test::fixedDrives({"/"}));
    const test::FormControls ui(form);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const QString before = ui.txtSavepath->text();
    EXPECT_FALSE(before.isEmpty());
    QTest::mouseClick(ui.txtSavepath, Qt::LeftButton);
    QTest::keyClicks(ui.txtSavepath, "typed");
    EXPECT_NE(QApplication::focusWidget(), ui.txtSavepath);
    EXPECT_EQ(ui.txtSavepath->text(), before);
}

TEST(Form1Layout, TheLabelsLieBeneathTheFields) {
    Form1 form(test::fixedDrives({"/"}));
    const test::FormControls ui(form);
    // The size field covers the last pixel of its label.
    const QPoint overlap = ui.lblSize->geometry().topRight() + QPoint(0, 5);
    EXPECT_EQ(form.childAt(overlap), ui.txtSize);
}

}  // namespace
}  // namespace morsela
