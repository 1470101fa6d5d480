// Pieces whose folder cannot be written (a write-protected stick, a disc, another user's
// folder): a join still rebuilds a missing or damaged piece from the recovery files, for
// itself alone, joins the file byte for byte, and leaves the folder as it was.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "engine/join/join.h"
#include "engine/split.h"
#include "tests/support/read_only_folder.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr const char* kForThisJoin =
    ": rebuilt from the recovery files for this join; its folder cannot be written";

// A split of 1 MB into 50 kB pieces (20 of them), with its checksum file and recovery files
// worth two pieces, on a folder that is sealed once a test has done its harm.
class ReadOnlyRepairTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!media.unusable().empty()) {
            GTEST_SKIP() << media.unusable();
        }
        source = test::patternBytes(1'000'000, 11);
        test::writeFile(in / "film.mkv", source);
        SplitRequest request{in / "film.mkv", media.path().string() + "/", 50'000, 0, true};
        request.recoveryPercent = 10;
        split(request, events);
    }

    void damage(const std::string& piece, std::size_t at) const {
        std::string bytes = test::readFile(media / piece);
        bytes[at] ^= 0x20;
        test::writeFile(media / piece, bytes);
    }

    // The folder as it is now, made read-only.
    void seal() {
        before = test::contentsOf(media.path());
        ASSERT_TRUE(media.seal());
        ASSERT_NE(::access(media.path().c_str(), W_OK), 0) << "the folder can still be written";
    }

    test::Attempt<JoinOutcome> joinFrom(const std::string& input, const std::string& output) {
        return test::attempt([&] { return join({media / input, output, false, true}, events); });
    }

    bool hasNotice(const std::string& text) const {
        for (const std::string& notice : events.notices) {
            if (notice == text) {
                return true;
            }
        }
        return false;
    }

    TempDir in;
    TempDir out;
    TempDir mounts;
    test::ReadOnlyFolder media{mounts.path() / "stick"};
    test::RecordingObserver events;
    std::string source;
    std::map<std::string, std::string> before;
};

TEST_F(ReadOnlyRepairTest, AMissingPieceIsRebuiltForTheJoinAloneAndTheFolderIsLeftAsItWas) {
    fs::remove(media / "film.007");
    seal();
    const auto joined = joinFrom("film.bat", out.path().string());
    ASSERT_TRUE(joined.outcome) << joined.text();
    EXPECT_EQ(test::readFile(out / "film.mkv"), source);
    EXPECT_TRUE(joined.outcome->verified && joined.outcome->piecesListed);
    EXPECT_TRUE(hasNotice(media / "film.007" + kForThisJoin));
    EXPECT_EQ(test::contentsOf(media.path()), before);
    // The rebuilt piece had no name, and is gone with the join.
    EXPECT_EQ(test::namesIn(out.path()), std::vector<std::string>{"film.mkv"});
}

TEST_F(ReadOnlyRepairTest, ADamagedPieceIsRebuiltForTheJoinAloneAndStaysAsItWas) {
    damage("film.013", 49'999);
    seal();
    const auto joined = joinFrom("film.bat", out.path().string());
    ASSERT_TRUE(joined.outcome) << joined.text();
    EXPECT_EQ(test::readFile(out / "film.mkv"), source);
    EXPECT_TRUE(hasNotice(media / "film.013" + kForThisJoin));
    EXPECT_EQ(test::contentsOf(media.path()), before);
    EXPECT_EQ(test::namesIn(out.path()), std::vector<std::string>{"film.mkv"});
}

TEST_F(ReadOnlyRepairTest, APieceCutShortAndALostOneAreRebuiltGivenTheFirstPiece) {
    test::writeFile(media / "film.004", test::readFile(media / "film.004").substr(0, 30'000));
    fs::remove(media / "film.020");
    seal();
    const auto joined = joinFrom("film.001", out.path().string() + "/again.mkv");
    ASSERT_TRUE(joined.outcome) << joined.text();
    EXPECT_EQ(test::readFile(out / "again.mkv"), source);
    EXPECT_TRUE(hasNotice(media / "film.004" + kForThisJoin));
    EXPECT_TRUE(hasNotice(media / "film.020" + kForThisJoin));
    EXPECT_EQ(test::contentsOf(media.path()), before);
}

TEST_F(ReadOnlyRepairTest, WithoutAFolderToJoinIntoNothingIsRebuiltAndNothingWritten) {
    fs::remove(media / "film.007");
    seal();
    const auto joined = joinFrom("film.bat", "");
    ASSERT_FALSE(joined.outcome);
    EXPECT_EQ(test::contentsOf(media.path()), before);
    EXPECT_FALSE(hasNotice(media / "film.007" + kForThisJoin));
}

}  // namespace
}  // namespace morsela
