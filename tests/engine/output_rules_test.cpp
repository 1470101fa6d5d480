// What a split writes when it meets real names and the leftovers of earlier splits: names
// cut by characters, targets the script would overwrite, stale scripts and pieces, sources
// cut short under the split, and output paths near the system's limit.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <climits>
#include <filesystem>

#include "engine/piece_names.h"
#include "engine/split.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

class OutputRules : public ::testing::Test {
  protected:
    test::Attempt<SplitOutcome> cut(const std::string& name, std::int64_t length,
                                    std::int64_t pieceSize) {
        test::writeFile(in / name, test::patternBytes(length));
        return cutPath(in / name, pieceSize);
    }
    test::Attempt<SplitOutcome> cutPath(const std::string& path, std::int64_t pieceSize,
                                        const std::string& outputDir = "") {
        events = {};
        return test::attempt([&] {
            return split({path, outputDir.empty() ? out.dirText() : outputDir, pieceSize}, events);
        });
    }

    test::TempDir in;
    test::TempDir out;
    test::RecordingObserver events;
};

TEST_F(OutputRules, NamesAreCutByCharactersNotBytes) {
    EXPECT_EQ(pieceName("na\xC3\xAFve", "001"), "na001");
    EXPECT_EQ(pieceName("caf\xC3\xA9", "001"), "c001");
    EXPECT_EQ(scriptName("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"),
              "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.bat");
    EXPECT_EQ(pieceName("ab\xFF\xFE", "001"), "a001");  // bytes that are no UTF-8 count singly
    EXPECT_EQ(keptLength("\xE6\x97\xA5"), std::string::npos);

    const auto accented = cut("na\xC3\xAFve", 3000, 1024);
    ASSERT_TRUE(accented.outcome) << accented.text();
    EXPECT_TRUE(fs::exists(out / "na003"));
    EXPECT_EQ(test::readFile(out / "na\xC3\xAFve.bat"),
              "@chcp 65001>nul\r\ncopy /b na001+na002+na003 na\xC3\xAFve\r\n");
    const auto oneCharacter = cut("\xE6\x97\xA5", 10, 1024);
    EXPECT_EQ(oneCharacter.kind(), Error::Kind::Refused);
    EXPECT_NE(oneCharacter.text().find("three characters"), std::string::npos);
}

TEST_F(OutputRules, ATargetNamedLikeItsScriptOrOneOfItsPiecesIsRefused) {
    for (const char* name : {"setup.bat", "INSTALL.BAT", "Run.Bat", "part.002"}) {
        const auto run = cut(name, 3000, 1024);
        EXPECT_EQ(run.kind(), Error::Kind::Refused) << name;
        EXPECT_NE(run.text().find("rename the file first"), std::string::npos) << run.text();
    }
    EXPECT_TRUE(fs::is_empty(out.path()));
    // Piece 5 of a split into three pieces is never written: nothing to refuse.
    EXPECT_TRUE(cut("part.005", 3000, 1024).outcome);
}

TEST_F(OutputRules, ARerunThatFailsLeavesNoScriptOfTheEarlierSplit) {
    ASSERT_TRUE(cut("x.bin", 3000, 1024).outcome);
    ASSERT_TRUE(fs::exists(out / "x.bat"));
    test::writeFile(in / "x.bin", test::patternBytes(3000, 9));  // the file changed
    events = {};
    events.stopAfterChecks = 2;
    SplitRequest request{in / "x.bin", out.dirText(), 1024};
    request.stop = events.stopToken();
    const auto stopped = test::attempt([&] { return split(request, events); });
    EXPECT_EQ(stopped.kind(), Error::Kind::Stopped);
    EXPECT_FALSE(fs::exists(out / "x.bat"));  // it would join old and new bytes
}

// More pieces than a join takes are refused before anything is written, saying what to
// choose in the terms the user chose: a size, or a number of pieces.
TEST_F(OutputRules, MorePiecesThanAJoinTakesAreRefusedInTheTermsAsked) {
    const std::string source = in / "big.img";
    test::writeFile(source, "");
    fs::resize_file(source, 2000001);  // sparse
    EXPECT_NE(cutPath(source, 1).text().find(
                  "would make 2000001 pieces, more than can be joined again (1000000); choose "
                  "pieces of at least 3 bytes"),
              std::string::npos);
    const auto byCount = test::attempt([&] {
        return split({source, out.dirText(), 0, 1500000}, events);
    });
    EXPECT_NE(byCount.text().find("; choose at most 1000000 pieces"), std::string::npos)
        << byCount.text();
    EXPECT_TRUE(fs::is_empty(out.path()));
}

TEST_F(OutputRules, ARerunIntoFewerPiecesRemovesTheEarlierOnesAndReportsOthers) {
    ASSERT_TRUE(cut("x.bin", 5000, 1024).outcome);
    EXPECT_TRUE(events.notices.empty());
    test::writeFile(out / "x.009", "a numbered file no script names");
    ASSERT_TRUE(cut("x.bin", 3000, 1024).outcome);
    // x.004 and x.005 were the earlier split's: cat x.0* and 7-Zip would pick them up.
    EXPECT_EQ(test::namesIn(out.path()),
              (std::vector<std::string>{"x.001", "x.002", "x.003", "x.009", "x.bat"}));
    ASSERT_EQ(events.notices.size(), 2u) << events.notices.at(0);
    EXPECT_NE(
        events.notices[0].find("2 pieces of the earlier split beyond this one's were removed"),
        std::string::npos)
        << events.notices[0];
    EXPECT_NE(
        events.notices[1].find("x.009 is numbered like these pieces but not part of this split"),
        std::string::npos)
        << events.notices[1];
    EXPECT_EQ(test::readFile(out / "x.bat"), "copy /b x.001+x.002+x.003 x.bin\r\n");
}

TEST_F(OutputRules, ASourceCutShortIsAFailureNeverPiecesOfZeros) {
    // Cut before the first block is read.
    class CutAtStart : public test::RecordingObserver {
      public:
        std::string path;
        void splitStarted(const SplitPlan&) override { EXPECT_EQ(::truncate(path.c_str(), 0), 0); }
    } cutAtStart;
    test::writeFile(in / "cut.bin", test::patternBytes(3000));
    cutAtStart.path = in / "cut.bin";
    const auto cutShort = test::attempt([&] {
        return split({in / "cut.bin", out.dirText(), 1024}, cutAtStart);
    });
    EXPECT_NE(cutShort.text().find("became shorter"), std::string::npos) << cutShort.text();
    EXPECT_FALSE(fs::exists(out / "cut.bat"));

    // A sparse source cut inside its hole: the hole is no licence to pad.
    const std::string sparse = in / "sparse.img";
    {
        const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(::ftruncate(fd, 5 * 1048576), 0);
        ::close(fd);
    }
    events = {};
    events.onCheck = [&](int check) {
        if (check == 1) {
            ASSERT_EQ(::truncate(sparse.c_str(), 1048576 + 512 * 1024), 0);
        }
    };
    const auto inHole = test::attempt([&] {
        return split({sparse, out.dirText(), 1048576}, events);
    });
    EXPECT_NE(inHole.text().find("became shorter"), std::string::npos) << inHole.text();
    EXPECT_FALSE(fs::exists(out / "sparse.bat"));
}

TEST_F(OutputRules, AnOutputPathNearTheLimitStillTakesTheThousandthPiece) {
    // Directories nested until "x.001" still fits PATH_MAX but "x.1000" would not.
    std::string path = out.path().string();
    const std::string part(200, 'd');
    while (path.size() + 1 + part.size() + 8 < PATH_MAX) {
        ASSERT_EQ(::mkdir((path + "/" + part).c_str(), 0755), 0) << path.size();
        path += "/" + part;
    }
    const std::string last(PATH_MAX - 1 - path.size() - 2 - 5, 'e');  // "/" last "/" x.001
    ASSERT_EQ(::mkdir((path + "/" + last).c_str(), 0755), 0);
    path += "/" + last + "/";
    ASSERT_EQ(path.size() + 5, static_cast<std::size_t>(PATH_MAX) - 1);
    test::writeFile(in / "x.bin", test::patternBytes(1000));
    const auto run = cutPath(in / "x.bin", 1, path);
    ASSERT_TRUE(run.outcome) << run.text();
    EXPECT_EQ(run.outcome->pieces, 1000);
}

}  // namespace
}  // namespace morsela
