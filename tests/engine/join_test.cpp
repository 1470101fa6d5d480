#include <gtest/gtest.h>

#include <filesystem>

#include "engine/join/join.h"
#include "engine/join/verify.h"
#include "engine/split.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

class JoinTest : public ::testing::Test {
  protected:
    // Splits a source of `length` bytes named `name` into `dir` and removes the source.
    std::string splitAway(const std::string& name, std::int64_t length, std::int64_t pieceSize) {
        const std::string source = dir / name;
        test::writeFile(source, test::patternBytes(length, 7));
        test::RecordingObserver events;
        const SplitOutcome outcome = split({source, dir.dirText(), pieceSize}, events);
        fs::remove(source);
        return outcome.scriptPath;
    }

    test::Attempt<JoinOutcome> joinScript(const std::string& script, bool replace = false) {
        return test::attempt([&] {
            return join({script, "", replace, true, events.stopToken()}, events);
        });
    }

    test::TempDir dir;
    test::RecordingObserver events;
};

TEST_F(JoinTest, SplitThenJoinGivesTheSourceBack) {
    for (const auto& [name, length, size] :
         {std::tuple{"archive.zip", 100000, 40960}, std::tuple{"100% sure (2).iso", 3000, 1024},
          std::tuple{"empty.dat", 0, 1024}, std::tuple{"abc", 5000, 512}}) {
        const auto run = joinScript(splitAway(name, length, size));
        ASSERT_TRUE(run.outcome) << run.text();
        EXPECT_EQ(run.outcome->target, dir / name);
        EXPECT_EQ(run.outcome->bytes, length);
        EXPECT_FALSE(run.outcome->verified);
        EXPECT_EQ(test::readFile(dir / name), test::patternBytes(length, 7)) << name;
    }
}

TEST_F(JoinTest, TheObserverHearsThePlanAndTheBytes) {
    const std::string script = splitAway("archive.zip", 5000, 1024);
    ASSERT_TRUE(joinScript(script).outcome);
    ASSERT_EQ(events.joinPlans.size(), 1u);
    EXPECT_EQ(events.joinPlans[0].target, dir / "archive.zip");
    EXPECT_EQ(events.joinPlans[0].pieces, 5);
    EXPECT_EQ(events.joinPlans[0].totalBytes, 5000);
    EXPECT_EQ(events.progress.back(), (std::pair<std::int64_t, std::int64_t>{5000, 5000}));
}

TEST_F(JoinTest, APlanSaysWhatAJoinWouldMakeAndWritesNothing) {
    const std::string script = splitAway("archive.zip", 5000, 1024);
    const auto before = test::namesIn(dir.path());
    const JoinPlan plan = planJoin({script}).summary();
    EXPECT_EQ(plan.target, dir / "archive.zip");
    EXPECT_EQ(plan.pieces, 5);
    EXPECT_EQ(plan.totalBytes, 5000);
    EXPECT_EQ(plan.checksumFile, "");
    EXPECT_FALSE(planJoin({script}).replaces());
    test::writeFile(dir / "archive.zip", "older");
    EXPECT_TRUE(planJoin({script}).replaces());
    fs::remove(dir / "archive.zip");
    EXPECT_EQ(test::namesIn(dir.path()), before);
    fs::remove(dir / "archive.003");
    EXPECT_THROW(planJoin({script}), Error);
}

// The answer to "replace it?" covers the file that stood there when the plan was made.
TEST_F(JoinTest, APlanCarriedOutReplacesOnlyTheFileItFound) {
    const std::string script = splitAway("archive.zip", 5000, 1024);
    test::writeFile(dir / "archive.zip", "older");
    PlannedJoin plan = planJoin({script});
    ASSERT_TRUE(plan.replaces());
    EXPECT_EQ(test::attempt([&] { return carryOut(plan, events); }).kind(), Error::Kind::Exists);
    plan.allowReplacing();
    fs::remove(dir / "archive.zip");
    test::writeFile(dir / "archive.zip", "put there after the question");
    EXPECT_EQ(test::attempt([&] { return carryOut(plan, events); }).kind(), Error::Kind::Refused);
    EXPECT_EQ(test::readFile(dir / "archive.zip"), "put there after the question");
}

TEST_F(JoinTest, AnExistingTargetIsReplacedOnlyWhenAskedTo) {
    const std::string script = splitAway("archive.zip", 5000, 1024);
    test::writeFile(dir / "archive.zip", "older");
    EXPECT_NE(joinScript(script).text().find("already exists"), std::string::npos);
    EXPECT_EQ(test::readFile(dir / "archive.zip"), "older");
    ASSERT_TRUE(joinScript(script, true).outcome);
    EXPECT_EQ(test::readFile(dir / "archive.zip"), test::patternBytes(5000, 7));
}

TEST_F(JoinTest, MissingOrDamagedPiecesAreRefusedAndNothingIsLeftBehind) {
    const std::string script = splitAway("archive.zip", 5000, 1024);
    const auto before = test::namesIn(dir.path());

    fs::resize_file(dir / "archive.002", 1000);
    EXPECT_NE(joinScript(script).text().find("archive.002: 1000 bytes"), std::string::npos);
    fs::resize_file(dir / "archive.005", 1025);
    fs::resize_file(dir / "archive.002", 1024);
    EXPECT_NE(joinScript(script).text().find("archive.005: 1025 bytes"), std::string::npos);
    fs::remove(dir / "archive.003");
    EXPECT_EQ(joinScript(script).kind(), Error::Kind::NotFound);
    auto expected = before;
    expected.erase(std::find(expected.begin(), expected.end(), "archive.003"));
    EXPECT_EQ(test::namesIn(dir.path()), expected);  // no target, no temporary file
}

// Pieces whose script is lost are a numbered series; their split's checksum file still says
// how many there were, so that a lost last piece is not joined into a short file.
TEST_F(JoinTest, ASeriesWhoseScriptIsLostIsCheckedByItsSplitsChecksumFile) {
    test::writeFile(dir / "film.mkv", test::patternBytes(4500, 7));
    ASSERT_TRUE(test::attempt([&] {
                    return split({dir / "film.mkv", dir.dirText(), 1024, 0, true, false}, events);
                }).outcome);
    fs::remove(dir / "film.mkv");
    fs::remove(dir / "film.bat");
    test::writeFile(dir / "film.txt.sha256", "# notes of another file\n");  // not this series'

    fs::rename(dir / "film.005", dir / "kept-away");
    const auto short_ = test::attempt([&] { return join({dir / "film.001"}, events); });
    EXPECT_NE(short_.text().find("film.mkv.sha256: line 5 names film.005, which is not there"),
              std::string::npos)
        << short_.text();
    EXPECT_FALSE(fs::exists(dir / "film"));

    fs::rename(dir / "kept-away", dir / "film.005");
    EXPECT_EQ(planJoin({dir / "film.001"}).summary().checksumFile, "film.mkv.sha256");
    const auto joined = test::attempt([&] { return join({dir / "film.001"}, events); });
    ASSERT_TRUE(joined.outcome) << joined.text();
    EXPECT_EQ(joined.outcome->target, dir / "film");
    EXPECT_TRUE(joined.outcome->verified);
    EXPECT_TRUE(joined.outcome->piecesListed);
    EXPECT_EQ(test::readFile(dir / "film"), test::patternBytes(4500, 7));

    // A damaged piece is named by its line.
    std::string piece = test::readFile(dir / "film.002");
    piece[3] ^= 1;
    test::writeFile(dir / "film.002", piece);
    EXPECT_NE(test::attempt([&] {
                  return join({dir / "film.001", dir / "again"}, events);
              })
                  .text()
                  .find("film.002"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "again"));
}

// A name whose last three characters are not an ending gives pieces without a dot before the
// number; the first of them is joined, and verified, through the script that names it.
TEST_F(JoinTest, AFirstPieceNumberedWithoutADotIsJoinedByItsScript) {
    test::writeFile(dir / "data.tar.gz", test::patternBytes(3000, 7));
    ASSERT_TRUE(
        test::attempt([&] {
            return split({dir / "data.tar.gz", dir.dirText(), 1024, 0, true, false}, events);
        }).outcome);
    fs::rename(dir / "data.tar.gz", dir / "original");
    ASSERT_TRUE(fs::exists(dir / "data.tar001"));
    EXPECT_TRUE(test::attempt([&] { return verify({dir / "data.tar001"}, events); }).outcome);
    const auto joined = test::attempt([&] { return join({dir / "data.tar001"}, events); });
    ASSERT_TRUE(joined.outcome) << joined.text();
    EXPECT_EQ(joined.outcome->target, dir / "data.tar.gz");
    EXPECT_TRUE(joined.outcome->piecesListed);
    EXPECT_EQ(test::readFile(dir / "data.tar.gz"), test::patternBytes(3000, 7));

    // Without its script, the piece is not read as one.
    fs::remove(dir / "data.tar.gz.bat");
    EXPECT_NE(test::attempt([&] { return verify({dir / "data.tar001"}, events); })
                  .text()
                  .find("data.tar001: is no rejoin script, and no rejoin script beside it names "
                        "it as its first piece"),
              std::string::npos);
}

// Two files that could each be the series' script or checksum file are refused, not one
// picked for its name; a checksum file is known by its first line, read only so far.
TEST_F(JoinTest, TwoScriptsOrChecksumFilesForOneSeriesAreRefusedNotPicked) {
    test::writeFile(dir / "film.mkv", test::patternBytes(3000, 7));
    ASSERT_TRUE(test::attempt([&] {
                    return split({dir / "film.mkv", dir.dirText(), 1024, 0, true, false}, events);
                }).outcome);
    fs::remove(dir / "film.mkv");
    fs::copy_file(dir / "film.bat", dir / "film.copy.bat");
    EXPECT_NE(test::attempt([&] { return join({dir / "film.001"}, events); })
                  .text()
                  .find("film.001: is named first by two rejoin scripts, film.bat and "
                        "film.copy.bat; join the one you mean"),
              std::string::npos);

    fs::remove(dir / "film.bat");
    fs::remove(dir / "film.copy.bat");
    fs::copy_file(dir / "film.mkv.sha256", dir / "film.old.sha256");
    EXPECT_NE(test::attempt([&] { return join({dir / "film.001"}, events); })
                  .text()
                  .find("is named first by two checksum files, film.mkv.sha256 and "
                        "film.old.sha256"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "film"));

    test::writeFile(dir / "film.old.sha256",
                    std::string(9000, '#') + "\n" + test::readFile(dir / "film.mkv.sha256"));
    EXPECT_EQ(planJoin({dir / "film.001"}).summary().checksumFile, "film.mkv.sha256");
}

TEST_F(JoinTest, AStopLeavesNoTargetAndNoTemporaryFile) {
    const std::string script = splitAway("archive.zip", 5000, 1024);
    const auto before = test::namesIn(dir.path());
    events.stopAfterChecks = 2;
    EXPECT_EQ(joinScript(script).kind(), Error::Kind::Stopped);
    EXPECT_EQ(test::namesIn(dir.path()), before);
}

}  // namespace
}  // namespace morsela
