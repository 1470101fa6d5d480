// How the window shows a split: the red bar in hundredths of the source, the report of the
// time it took with its confirmation, and failures under the window's own headlines.

#include <gtest/gtest.h>
#include <QMessageBox>
#include <QSignalSpy>
#include <QWidget>

#include "app/boxes/error_box.h"
#include "app/controls/picture_box.h"
#include "app/window_observer.h"
#include "tests/app/modal.h"

namespace morsela {
namespace {

class WindowObserverTest : public ::testing::Test {
  protected:
    WindowObserverTest() {
        pic1.setGeometry(0, 0, 104, 44);
        observer.begin();
    }

    // Draws after blocks of the given sizes and gives the bar's share of the width after each
    // draw, in hundredths.
    std::vector<int> barAfterBlocks(std::int64_t length, const std::vector<std::int64_t>& blocks) {
        std::vector<int> shares;
        QObject::connect(&pic1, &PictureBox::drawn, [&] { shares.push_back(barShare()); });
        observer.splitStarted({"source", length, length, 1});
        shares.clear();  // the clearing at the start
        std::int64_t done = 0;
        for (const std::int64_t block : blocks) {
            done += block;
            observer.progressed(done, length);
        }
        QObject::disconnect(&pic1, &PictureBox::drawn, nullptr, nullptr);
        return shares;
    }

    // How much of the width is red at mid-height, in hundredths.
    int barShare() const {
        const QImage& image = pic1.image();
        int red = 0;
        for (int x = 0; x < image.width(); ++x) {
            red += image.pixelColor(x, image.height() / 2) == QColor(255, 0, 0) ? 1 : 0;
        }
        return static_cast<int>(std::lround(100.0 * red / image.width()));
    }

    QWidget window;
    PictureBox pic1{&window};
    WindowObserver observer{pic1, window};
};

TEST_F(WindowObserverTest, TheBarCoversTheShareCopiedSoFar) {
    // One block copying the whole source fills the bar at once.
    EXPECT_EQ(barAfterBlocks(1000000, {1000000}), (std::vector<int>{100}));
    // 31 blocks: the bar follows the copy and ends full.
    std::vector<std::int64_t> blocks(30, 32767);
    blocks.push_back(16990);
    const std::vector<int> shares = barAfterBlocks(1000000, blocks);
    ASSERT_EQ(shares.size(), 31u);
    EXPECT_NEAR(shares.front(), 3, 1);  // 32767 of 1000000 bytes
    EXPECT_EQ(shares.back(), 100);
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
}

TEST_F(WindowObserverTest, EachHundredthIsDrawnOnceAtMost) {
    EXPECT_EQ(barAfterBlocks(10000, std::vector<std::int64_t>(10000, 1)).size(), 100u);
}

TEST_F(WindowObserverTest, SmallEmptyAndHugeSourcesGiveTheRightShare) {
    EXPECT_EQ(barAfterBlocks(50, {50}), (std::vector<int>{100}));
    EXPECT_EQ(barAfterBlocks(0, {0}), (std::vector<int>{100}));
    const std::int64_t huge = INT64_MAX - 1;  // 100 x done needs more than 64 bits
    EXPECT_EQ(barAfterBlocks(huge, {huge / 2}), (std::vector<int>{50}));
}

TEST_F(WindowObserverTest, TheReportPrintsTheTimeAndConfirmsWithTheNotices) {
    observer.splitStarted({"source", 10, 10, 1});
    observer.progressed(10, 10);
    observer.notice({"/out/", "x.004 of an earlier split is still there"});
    QString title;
    QString text;
    QString informative;
    QStringList linesDuringBox;
    test::whenModalOpens([&](QWidget* box) {
        title = test::titleOf(box);
        text = test::textOf(box);
        informative = qobject_cast<QMessageBox*>(box)->informativeText();
        linesDuringBox = pic1.printedLines();
        test::pressOk(box);
    });
    observer.completed();
    EXPECT_EQ(title, "Split Confirmation");
    EXPECT_EQ(text, "Files Split");
    EXPECT_EQ(informative, "/out/: x.004 of an earlier split is still there");
    ASSERT_EQ(linesDuringBox.size(), 2);
    EXPECT_EQ(linesDuringBox[0], "Time it took to split");
    EXPECT_TRUE(linesDuringBox[1].startsWith(' ') && linesDuringBox[1].endsWith(' '));
    EXPECT_GE(linesDuringBox[1].toDouble(), 0.0);  // never negative
    EXPECT_LT(linesDuringBox[1].toDouble(), 5.0);
    EXPECT_EQ(barShare(), 0);  // the report replaced the bar
}

TEST_F(WindowObserverTest, FailuresShowTheHeadlineOfTheirKind) {
    const std::pair<Error::Kind, const char*> kinds[] = {
        {Error::Kind::NotFound, "File not found. Try again"},
        {Error::Kind::NoSpace, "Disk Full"},
        {Error::Kind::NotReady, "Disk not ready"},
        {Error::Kind::Refused, "Some error or somthing"},
        {Error::Kind::Other, "Some error or somthing"},
    };
    for (const auto& [kind, headline] : kinds) {
        QString title;
        QString text;
        test::closeNextBox(&title, &text);
        observer.failed(Error(kind, "/x/a.zip", "why"));
        EXPECT_EQ(title, "Error");
        EXPECT_EQ(text, headline);
    }
}

TEST(ReportNumber, HasUpToSevenDigitsAndABlankEachSide) {
    EXPECT_EQ(reportNumber(1.5f), " 1.5 ");
    EXPECT_EQ(reportNumber(0.0f), " 0 ");
    EXPECT_EQ(reportNumber(12.3456789f), " 12.34568 ");
    EXPECT_EQ(reportNumber(-2.0f), "-2 ");
}

}  // namespace
}  // namespace morsela
