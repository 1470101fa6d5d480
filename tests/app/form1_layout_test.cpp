#include <gtest/gtest.h>
#include <QApplication>
#include <QFontMetrics>
#include <QTest>

#include "app/form1.h"
#include "app/form_layout.h"

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
    Form1 form({"/"});
    EXPECT_EQ(form.size(), QSize(343, 233));
    const std::pair<QWidget*, QRect> expected[] = {
        {form.txtSavepath, {16, 88, 305, 19}}, {form.Dir1, {16, 112, 145, 111}},
        {form.Drive1, {104, 64, 65, 21}},      {form.pic1, {168, 160, 153, 57}},
        {form.cmdLoadfile, {16, 8, 89, 41}},   {form.txtSize, {216, 40, 105, 19}},
        {form.txtFile, {120, 8, 209, 19}},     {form.cmdEnd, {264, 120, 57, 33}},
        {form.cmdRun, {168, 120, 89, 33}},     {form.lblSave, {16, 64, 81, 17}},
        {form.lblSize, {120, 40, 97, 17}},
    };
    for (const auto& [control, rect] : expected) {
        EXPECT_EQ(control->geometry(), rect) << control->objectName().toStdString();
    }
}

TEST(Form1Layout, EveryCaptionFitsInTheFontThisMachineGives) {
    Form1 form({"/"});
    const QFontMetrics metrics = form.fontMetrics();
    for (QPushButton* button : {form.cmdLoadfile, form.cmdRun, form.cmdEnd}) {
        const QString text = QString(button->text()).remove('&');
        EXPECT_LE(metrics.horizontalAdvance(text) + 8, button->width()) << text.toStdString();
        EXPECT_LE(metrics.height(), button->height());
    }
    for (QLabel* label : {form.lblSave, form.lblSize}) {
        EXPECT_LE(metrics.horizontalAdvance(label->text()), label->width())
            << label->text().toStdString();
    }
    EXPECT_LE(metrics.height() + 4, form.txtFile->height());
    // The whole layout grows by one factor: the window keeps its proportions.
    EXPECT_NEAR(double(form.width()) / form.height(), 5145.0 / 3495.0, 0.02);
}

TEST(Form1Layout, TheFrameIsFixedWithCloseBoxOnly) {
    Form1 form({"/"});
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
    Form1 form({"/"});
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), form.txtFile);
    EXPECT_TRUE(form.txtFile->text().isEmpty());
    EXPECT_TRUE(form.txtSize->text().isEmpty());

    QStringList forward;
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        forward << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(forward, QStringList({"txtSize", "cmdRun", "cmdEnd", "cmdLoadfile", "pic1", "Drive1",
                                    "Dir1", "txtFile"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), form.Dir1);
}

TEST(Form1Layout, TheOutputFieldShowsTextButTakesNeitherFocusNorTyping) {
    Form1 form({"/"});
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const QString before = form.txtSavepath->text();
    EXPECT_FALSE(before.isEmpty());
    QTest::mouseClick(form.txtSavepath, Qt::LeftButton);
    QTest::keyClicks(form.txtSavepath, "typed");
    EXPECT_NE(QApplication::focusWidget(), form.txtSavepath);
    EXPECT_EQ(form.txtSavepath->text(), before);
}

TEST(Form1Layout, TheLabelsLieBeneathTheFields) {
    Form1 form({"/"});
    // The size field covers the last pixel of its label.
    const QPoint overlap = form.lblSize->geometry().topRight() + QPoint(0, 5);
    EXPECT_EQ(form.childAt(overlap), form.txtSize);
}

}  // namespace
}  // namespace morsela
