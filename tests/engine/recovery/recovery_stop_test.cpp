#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/join/join.h"
#include "engine/join/verify.h"
#include "engine/split.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

using Names = std::vector<std::string>;

// Stops requested while recovery files are written, or pieces checked and rebuilt from them:
// the job fails as Stopped, and what the user had stays as it was.
class RecoveryStop : public ::testing::Test {
  protected:
    // Requests the stop at the `nth` report of bytes (from 1) once `phase` has begun.
    void stopIn(Phase phase, std::size_t nth) {
        events.onCheck = [this, phase, nth](int) {
            for (const auto& [begun, reportsBefore] : events.phases) {
                if (begun == phase && events.progress.size() == reportsBefore + nth) {
                    events.stopper.requestStop();
                }
            }
        };
    }

    SplitRequest requestFor(std::int64_t length, std::int64_t pieceSize, int percent) {
        source = test::patternBytes(length, 3);
        test::writeFile(in / "film.mkv", source);
        SplitRequest request{in / "film.mkv", out.dirText(), pieceSize};
        request.recoveryPercent = percent;
        request.stop = events.stopToken();
        return request;
    }

    // The progress reported in `phase`: its totals are all `total`, it never goes back, and
    // the last report says all is done.
    void expectSteadyProgressIn(Phase phase, std::int64_t total, bool toTheEnd = true) const {
        std::size_t from = events.progress.size();
        std::size_t to = events.progress.size();
        for (std::size_t i = 0; i < events.phases.size(); ++i) {
            if (events.phases[i].first == phase) {
                from = events.phases[i].second;
                to = i + 1 < events.phases.size() ? events.phases[i + 1].second : to;
            }
        }
        ASSERT_LT(from + 1, to) << "too few reports in the phase";
        std::int64_t last = 0;
        for (std::size_t i = from; i < to; ++i) {
            EXPECT_EQ(events.progress[i].second, total) << i;
            EXPECT_GE(events.progress[i].first, last) << i;
            EXPECT_LE(events.progress[i].first, total) << i;
            last = events.progress[i].first;
        }
        if (toTheEnd) {
            EXPECT_EQ(last, total);
        }
    }

    // A split of 1 MB into 20 pieces of 50 kB, with two recovery blocks of a piece each; then
    // film.007 lost and film.013 damaged.
    void splitAndLoseTwo() {
        split(requestFor(1'000'000, 50'000, 10), events);
        std::filesystem::remove(out / "film.007");
        damaged = test::readFile(out / "film.013");
        damaged[100] ^= 0x21;
        test::writeFile(out / "film.013", damaged);
        before = test::namesIn(out.path());
        events = {};
    }

    test::Attempt<JoinOutcome> joinInto(const std::string& target) {
        return test::attempt([&] {
            return join({out / "film.bat", target, false, true, events.stopToken()}, events);
        });
    }

    test::TempDir in;
    test::TempDir out;
    test::RecordingObserver events;
    std::string source;
    std::string damaged;
    Names before;
};

TEST_F(RecoveryStop, ASplitStoppedWhileWritingRecoveryFilesLeavesWholePiecesAndNoRecoveryFile) {
    const SplitRequest request = requestFor(3'000'000, 100'000, 10);
    stopIn(Phase::WritingRecovery, 3);
    const auto stopped = test::attempt([&] { return split(request, events); });
    ASSERT_EQ(stopped.kind(), Error::Kind::Stopped) << stopped.text();
    EXPECT_NE(stopped.text().find("stopped while the recovery files were written"),
              std::string::npos)
        << stopped.text();
    ASSERT_EQ(events.phases.size(), 1u);
    // The 30 pieces, whole; no recovery file, whole or half-written, and no script.
    Names pieces;
    for (int i = 1; i <= 30; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "film.%03d", i);
        pieces.push_back(name);
        EXPECT_TRUE(test::readFile(out / name) == source.substr((i - 1) * 100'000, 100'000))
            << name << " is not the source's bytes";
    }
    EXPECT_EQ(test::namesIn(out.path()), pieces);
}

TEST_F(RecoveryStop, WritingRecoveryFilesReportsItsBytesAfterTheCopyWithoutGoingBack) {
    const SplitOutcome outcome = split(requestFor(3'000'000, 100'000, 10), events);
    ASSERT_EQ(outcome.recoveryFiles.size(), 3u);  // the index and two volumes
    ASSERT_EQ(events.phases.size(), 1u);
    EXPECT_EQ(events.phases[0].first, Phase::WritingRecovery);
    // The copy first, up to the source's length; then every piece read twice, summed and hashed.
    ASSERT_GT(events.phases[0].second, 0u);
    EXPECT_EQ(events.progress[events.phases[0].second - 1],
              std::make_pair(std::int64_t{3'000'000}, std::int64_t{3'000'000}));
    // The hashing's last bytes may be read on a thread of its own, which reports nothing.
    ASSERT_GT(events.progress.size(), events.phases[0].second + 2);
    expectSteadyProgressIn(Phase::WritingRecovery, 6'000'000, false);
}

// The pieces are read back while they are written, before the phase begins: what was read
// back then is reported once the phase begins, and by its end every piece counts as summed
// and hashed once, neither missed nor counted twice.
TEST_F(RecoveryStop, RecoveryFromPiecesReadBackReportsEveryByteOnceByTheEnd) {
    const SplitOutcome outcome = split(requestFor(3'000'000, 100'000, 10), events);
    ASSERT_EQ(outcome.recoveryFiles.size(), 3u);
    ASSERT_EQ(events.phases.size(), 1u);
    expectSteadyProgressIn(Phase::WritingRecovery, 6'000'000);
}

TEST_F(RecoveryStop, AJoinStoppedWhileRebuildingLeavesNoPieceHalfRebuiltAndNothingMoved) {
    splitAndLoseTwo();
    stopIn(Phase::Rebuilding, 3);
    const auto stopped = joinInto(in / "joined");
    ASSERT_EQ(stopped.kind(), Error::Kind::Stopped) << stopped.text();
    EXPECT_NE(stopped.text().find("stopped while pieces were rebuilt"), std::string::npos)
        << stopped.text();
    // No film.007 half-written, no temporary file, the damaged piece neither replaced nor moved.
    EXPECT_EQ(test::namesIn(out.path()), before);
    EXPECT_TRUE(test::readFile(out / "film.013") == damaged) << "film.013 changed";
    EXPECT_FALSE(std::filesystem::exists(in / "joined"));
}

TEST_F(RecoveryStop, AJoinStoppedWhileCheckingThePiecesChangesNothing) {
    splitAndLoseTwo();
    stopIn(Phase::CheckingRecovery, 2);
    const auto stopped = joinInto(in / "joined");
    ASSERT_EQ(stopped.kind(), Error::Kind::Stopped) << stopped.text();
    EXPECT_EQ(test::namesIn(out.path()), before);
    EXPECT_TRUE(test::readFile(out / "film.013") == damaged) << "film.013 changed";
    EXPECT_FALSE(std::filesystem::exists(in / "joined"));

    events = {};
    stopIn(Phase::CheckingRecovery, 2);
    const auto verified = test::attempt([&] {
        return verify({out / "film.bat", events.stopToken()}, events);
    });
    EXPECT_EQ(verified.kind(), Error::Kind::Stopped) << verified.text();
}

TEST_F(RecoveryStop, RebuildingReportsEachPhaseAndThenTheJoinGoesOn) {
    splitAndLoseTwo();
    const auto joined = joinInto(in / "joined");
    ASSERT_TRUE(joined.outcome) << joined.text();
    EXPECT_TRUE(test::readFile(in / "joined") == source) << "the joined file differs";
    ASSERT_EQ(events.phases.size(), 3u);
    EXPECT_EQ(events.phases[0].first, Phase::CheckingRecovery);
    EXPECT_EQ(events.phases[1].first, Phase::Rebuilding);
    EXPECT_EQ(events.phases[2].first, std::nullopt);             // the join's copy
    expectSteadyProgressIn(Phase::CheckingRecovery, 1'000'000);  // every piece, read or missing
    // The 18 whole pieces, the good slices of none (a slice is a piece) and the two recovery
    // blocks read to solve; the two pieces rebuilt read once to check them.
    expectSteadyProgressIn(Phase::Rebuilding, 18 * 50'000 + 2 * 50'000 + 2 * 50'000);
}

}  // namespace
}  // namespace morsela
