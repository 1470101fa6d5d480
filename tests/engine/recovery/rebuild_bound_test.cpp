// What a rebuild may cost: solving for the lost slices takes the cube of their count, and a
// received set of slices of a few bytes could ask for thousands of them. Past the bound the
// join refuses with the reason before it solves, within it the solve is exact, and a stop
// request ends it with nothing rebuilt. par2 makes the sets, as a sender would.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <algorithm>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/join/join.h"
#include "tests/engine/recovery/par2_judge.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

class RebuildBoundTest : public ::testing::Test {
  protected:
    // A piece of 1152 slices of 4 bytes, and 1100 recovery blocks over it.
    void SetUp() override {
        if (!recovery::par2Available()) {
            GTEST_SKIP() << "par2 is not installed";
        }
        test::writeFile(dir / "x.001", bytes);
        ASSERT_EQ(std::system(("cd '" + dir.path().string() +
                               "' && par2 create -q -q -s4 -c1100 -n1 x.par2 x.001 >/dev/null")
                                  .c_str()),
                  0);
    }

    // Damages `slices` slices of the piece, one after another.
    void damage(std::size_t slices) const {
        std::string damaged = bytes;
        for (std::size_t i = 0; i < 4 * slices; ++i) {
            damaged[100 + i] = static_cast<char>(damaged[100 + i] ^ 0x5a);
        }
        test::writeFile(dir / "x.001", damaged);
    }

    test::Attempt<JoinOutcome> joinIt() {
        return test::attempt([&] { return join({dir / "x.001", out.dirText()}, events); });
    }

    TempDir dir;
    TempDir out;
    std::string bytes = test::patternBytes(4608, 9);
    test::RecordingObserver events;
};

TEST_F(RebuildBoundTest, MoreLostSlicesThanTheBoundAreRefusedWithTheReason) {
    damage(1100);
    const std::string damaged = test::readFile(dir / "x.001");
    const auto start = std::chrono::steady_clock::now();
    const auto result = joinIt();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    ASSERT_TRUE(result.error) << "1100 lost slices were solved for";
    EXPECT_EQ(result.kind(), Error::Kind::Refused) << result.text();
    bool said = false;
    for (const std::string& notice : events.notices) {
        said = said || notice.find("1100 slices are lost, more than the 1024") != std::string::npos;
    }
    EXPECT_TRUE(said) << testing::PrintToString(events.notices);
    EXPECT_TRUE(test::readFile(dir / "x.001") == damaged) << "the piece was rebuilt";
    EXPECT_FALSE(fs::exists(dir / "x.001.1"));
}

TEST_F(RebuildBoundTest, AsManyAsTheBoundAreRebuiltExactly) {
    damage(1024);
    // The 1024 blocks come from one volume, which is opened once: with no more files open
    // than a user may have by default, the rebuild still runs.
    rlimit files{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &files), 0);
    const rlimit few{std::min<rlim_t>(files.rlim_cur, 256), files.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    const auto result = joinIt();
    ::setrlimit(RLIMIT_NOFILE, &files);
    ASSERT_TRUE(result.outcome) << result.text() << testing::PrintToString(events.notices);
    EXPECT_TRUE(test::readFile(dir / "x.001") == bytes) << "the piece was rebuilt wrong";
    EXPECT_TRUE(test::readFile(out / "x") == bytes) << "the joined file differs";
}

TEST_F(RebuildBoundTest, AStopRequestEndsTheSolveWithNothingRebuilt) {
    damage(1000);
    const std::string damaged = test::readFile(dir / "x.001");
    // Stops as the rebuilding begins: the solve, the longest part, is what it must end.
    struct StopWhenRebuilding : test::RecordingObserver {
        void phaseStarted(Phase phase) override {
            RecordingObserver::phaseStarted(phase);
            if (phase == Phase::Rebuilding) {
                stopper.requestStop();
            }
        }
    } stopping;
    JoinRequest request{dir / "x.001", out.dirText()};
    request.stop = stopping.stopToken();
    const auto result = test::attempt([&] { return join(request, stopping); });
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.kind(), Error::Kind::Stopped) << result.text();
    EXPECT_TRUE(test::readFile(dir / "x.001") == damaged) << "the piece was rebuilt";
    EXPECT_FALSE(fs::exists(dir / "x.001.1"));
    EXPECT_FALSE(fs::exists(out / "x"));
}

}  // namespace
}  // namespace morsela
