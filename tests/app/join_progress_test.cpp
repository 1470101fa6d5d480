// How the join window hears a join: a phase before the copy under its name, and the stop
// source whose token the join's request carries.

#include <gtest/gtest.h>
#include <QWidget>

#include <string>
#include <utility>
#include <vector>

#include "app/join/join_progress.h"

namespace morsela {
namespace {

class JoinProgressTest : public ::testing::Test {
  protected:
    QWidget window;
    std::vector<std::pair<std::string, std::int64_t>> shown;  // the phase's name, the total
    JoinProgress progress{window,
                          [this](std::int64_t, std::int64_t total, double, const QString& phase) {
                              shown.emplace_back(phase.toStdString(), total);
                          }};
};

TEST_F(JoinProgressTest, RebuildingBeforeTheJoinIsShownUnderItsNameAndTheCopyWithoutOne) {
    progress.begin();
    progress.phaseStarted(Phase::Rebuilding);
    progress.progressed(300, 300);  // the last of a phase is always shown
    progress.joinStarted({"holiday.zip", 2, 1000});
    progress.progressed(1000, 1000);
    const std::vector<std::pair<std::string, std::int64_t>> expected{
        {"Rebuilding pieces", 300}, {"", 1000}, {"", 1000}};
    EXPECT_EQ(shown, expected);
}

TEST_F(JoinProgressTest, AStopCoversTheJoinThatRanAndTheNextJoinGetsATokenOfItsOwn) {
    const StopToken running = progress.stopToken();
    EXPECT_FALSE(running.stopRequested());
    progress.requestStop();
    EXPECT_TRUE(running.stopRequested());
    EXPECT_TRUE(progress.stopAsked());
    progress.end();
    EXPECT_FALSE(progress.stopAsked());
    EXPECT_FALSE(progress.stopToken().stopRequested());
    EXPECT_TRUE(running.stopRequested());
}

}  // namespace
}  // namespace morsela
