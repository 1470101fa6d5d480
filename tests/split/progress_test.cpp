#include <gtest/gtest.h>

#include "split/completion_report.h"
#include "split/progress.h"
#include "tests/support/recording_surface.h"

namespace morsela {
namespace {

// Runs the progress check after blocks of the given sizes and returns the bar ends drawn.
std::vector<double> barAfterBlocks(std::int64_t length, const std::vector<std::int64_t>& blocks) {
    SplitState state;
    test::RecordingSurface pic1;
    state.sourceLength = length;
    ResetProgress(state, pic1);
    state.sourcePos = 1;
    for (std::int64_t block : blocks) {
        state.sourcePos += block;
        checkProgress(state, pic1);
    }
    return pic1.barEnds;
}

TEST(Progress, ResetSetsAHundredStepsAcrossAndClears) {
    SplitState state;
    test::RecordingSurface pic1;
    state.progressStep = 57;
    ResetProgress(state, pic1);
    EXPECT_EQ(state.progressStep, 1);
    EXPECT_EQ(pic1.scaleCorners, (std::vector<double>{0, 0, 100, 5}));
    EXPECT_EQ(pic1.clears, 1);
}

TEST(Progress, TheBarCoversTheShareCopiedSoFar) {
    // One block copying the whole source fills the bar at once.
    EXPECT_EQ(barAfterBlocks(1000000, {1000000}), (std::vector<double>{100}));
    // 31 blocks: the bar follows the copy and ends full.
    std::vector<std::int64_t> blocks(30, 32767);
    blocks.push_back(16990);
    const std::vector<double> ends = barAfterBlocks(1000000, blocks);
    EXPECT_EQ(ends.size(), 31u);
    EXPECT_EQ(ends.front(), 3);  // 32767 of 1000000 bytes
    EXPECT_EQ(ends.back(), 100);
}

TEST(Progress, EachHundredthIsDrawnOnceAtMost) {
    const std::vector<double> ends = barAfterBlocks(10000, std::vector<std::int64_t>(10000, 1));
    EXPECT_EQ(ends.size(), 100u);
    for (std::size_t i = 0; i < ends.size(); ++i) {
        EXPECT_EQ(ends[i], static_cast<double>(i + 1));
    }
}

TEST(Progress, SmallAndEmptySourcesEndWithAFullBar) {
    EXPECT_EQ(barAfterBlocks(50, {50}), (std::vector<double>{100}));
    EXPECT_EQ(barAfterBlocks(0, {0}), (std::vector<double>{100}));
}

TEST(Progress, TheBarIsRed) {
    SplitState state;
    test::RecordingSurface pic1;
    state.sourceLength = 10;
    ResetProgress(state, pic1);
    state.sourcePos = 11;
    checkProgress(state, pic1);
    ASSERT_EQ(pic1.barColours.size(), 1u);
    EXPECT_EQ(pic1.barColours[0], 0x0000FFu);
}

TEST(Progress, HugeSourcesDoNotOverflowTheShare) {
    const std::int64_t length = INT64_MAX - 1;
    EXPECT_EQ(barAfterBlocks(length, {length / 2}), (std::vector<double>{50}));
    EXPECT_EQ(barAfterBlocks(length, {length / 100 * 99 - 1}), (std::vector<double>{98}));
}

TEST(CompletionReport, NumbersHaveUpToSevenDigitsAndABlankEachSide) {
    EXPECT_EQ(reportNumber(1.5f), " 1.5 ");
    EXPECT_EQ(reportNumber(0.0f), " 0 ");
    EXPECT_EQ(reportNumber(12.3456789f), " 12.34568 ");
    EXPECT_EQ(reportNumber(-2.0f), "-2 ");
}

TEST(CompletionReport, ClearsPrintsTheTimeAndConfirms) {
    SplitState state;
    state.startTime = std::chrono::steady_clock::now();
    test::RecordingSurface pic1;
    reportCompletion(state, pic1);
    EXPECT_EQ(pic1.clears, 1);
    ASSERT_EQ(pic1.lines.size(), 2u);
    EXPECT_EQ(pic1.lines[0], "Time it took to split");
    EXPECT_EQ(pic1.lines[1].front(), ' ');  // never negative
    EXPECT_EQ(pic1.lines[1].back(), ' ');
    EXPECT_LT(std::stod(pic1.lines[1]), 5.0);
    ASSERT_EQ(pic1.messages.size(), 1u);
    EXPECT_EQ(pic1.messages[0].prompt, "Files Split");
    EXPECT_EQ(pic1.messages[0].title, "Split Confirmation");
    EXPECT_EQ(pic1.messages[0].kind, MessageKind::Information);
}

}  // namespace
}  // namespace morsela
