#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/os/directory.h"
#include "engine/recovery/recovery_writer.h"
#include "tests/engine/recovery/par2_judge.h"
#include "tests/support/temp_dir.h"

namespace morsela::recovery {
namespace {

using test::TempDir;

// Pieces of `lengths` bytes, named like a split's, in `dir`.
std::vector<std::string> writePieces(const TempDir& dir, const std::vector<std::int64_t>& lengths) {
    std::vector<std::string> names;
    unsigned seed = 1;
    for (const std::int64_t length : lengths) {
        char name[32];
        std::snprintf(name, sizeof name, "film.%03u", seed);
        test::writeFile(dir / name, test::patternBytes(length, seed++));
        names.push_back(name);
    }
    return names;
}

WriteOutcome writeFor(const TempDir& dir, const std::vector<std::string>& pieces, int percent) {
    const Directory out(dir.path().string());
    return writeRecoveryFiles(out, {"film.mkv", pieces, percent, 0644, false});
}

TEST(RecoveryWriter, NamesTheIndexAndVolumesEachTwiceTheLast) {
    EXPECT_EQ(volumeName("film.mkv", 0, 1, 2), "film.mkv.vol00+01.par2");
    EXPECT_EQ(volumeName("film.mkv", 7, 8, 2), "film.mkv.vol07+08.par2");
    EXPECT_EQ(volumeName("a", 127, 100, 3), "a.vol127+100.par2");
    TempDir dir;
    const auto pieces = writePieces(dir, std::vector<std::int64_t>(40, 4000));
    const WriteOutcome outcome = writeFor(dir, pieces, 20);
    EXPECT_EQ(outcome.files.front(), "film.mkv.par2");
    EXPECT_EQ(outcome.files.back(), "film.mkv.vol07+01.par2");  // 8 blocks: 1, 2, 4, 1
    EXPECT_EQ(outcome.recoveryBlocks, 8);
}

// A split checks the names before it writes: they must be those written.
TEST(RecoveryWriter, TheNamesKnownBeforehandAreTheNamesWritten) {
    for (const auto& [lengths, percent] : std::vector<std::pair<std::vector<std::int64_t>, int>>{
             {std::vector<std::int64_t>(40, 4000), 20},
             {{10000, 10000, 10000, 3}, 10},
             {{5001, 5001, 777}, 100},
             {{300000, 300000, 100}, 25}}) {
        TempDir dir;
        const WriteOutcome outcome = writeFor(dir, writePieces(dir, lengths), percent);
        EXPECT_EQ(recoveryFileNames("film.mkv", lengths, percent), outcome.files) << percent;
    }
    EXPECT_TRUE(recoveryFileNames("film.mkv", {0}, 10).empty());  // nothing to recover
}

TEST(RecoveryWriter, Par2VerifiesEverySetAndRepairsALostPieceByteForByte) {
    if (!par2Available()) {
        GTEST_SKIP() << "par2 is not installed";
    }
    struct Case {
        std::vector<std::int64_t> lengths;
        int percent;
    };
    const std::vector<Case> cases = {
        {{10000, 10000, 10000, 10000, 10000, 10000, 10000, 10000, 10000, 3}, 10},  // odd last
        {{65536, 65536, 65536, 1000}, 30},
        {{5001, 5001, 777}, 10},  // less than a piece: slices finer than the pieces
        {{300000, 300000, 300000, 300000, 100}, 25},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const auto pieces = writePieces(dir, c.lengths);
        const WriteOutcome outcome = writeFor(dir, pieces, c.percent);
        ASSERT_TRUE(outcome.whyNot.empty()) << outcome.whyNot;
        ASSERT_EQ(runPar2(dir, "verify", "film.mkv.par2"), 0) << pieces.size() << " pieces";
        if (c.percent * static_cast<int>(pieces.size()) < 100) {
            continue;
        }
        const std::string second = test::readFile(dir / pieces[1]);
        std::filesystem::remove(dir / pieces[1]);
        ASSERT_EQ(runPar2(dir, "repair", "film.mkv.par2"), 0);
        EXPECT_EQ(test::readFile(dir / pieces[1]), second);
    }
}

TEST(RecoveryWriter, NothingToRecoverIsSaidNotWritten) {
    TempDir dir;
    const auto pieces = writePieces(dir, {0});
    EXPECT_FALSE(writeFor(dir, pieces, 10).whyNot.empty());
    EXPECT_EQ(test::namesIn(dir.path()).size(), 1u);
}

}  // namespace
}  // namespace morsela::recovery
